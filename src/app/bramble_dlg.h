#pragma once

#include "base/autorun_entry.h"
#include "pages/category_pages.h"
#include "win/anchor_layout.h"
#include "win/dpi.h"
#include "win/dialog_base.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

namespace tarn {

class UpdateTarget;

// The main window: banner, the fourteen category tabs, the details panel of the entry last
// clicked, refresh and about. Closing it stops the scan and ends the program.
class CBrambleDlg : public CDialogBase {
public:
    explicit CBrambleDlg(HINSTANCE instance);
    ~CBrambleDlg() override;

    CAutoRunPage& page(std::size_t tab) { return *pages_[tab]; }
    HWND tabControl() const { return tabControl_; }
    HWND commandTip() const { return commandTip_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    void OnAboutButton();
    void OnSiteLink();
    void OnUpdateResult(DWORD exitCode);
    void OnUpdateTimer(UINT_PTR id);

private:
    void BuildTabsAndPages();
    // What the window draws for its DPI: the tab icons and the banner.
    void LoadDpiResources();
    // The window moved to a monitor of another scale: everything drawn and placed for its DPI.
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    // The pages fill the tab strip's display area, below however many rows of tabs it has.
    void LayOutPages();
    // How each control follows the window's size; the window's first size is its least.
    void StartLayout();
    // The dialog's background, the banner continued across a wide window.
    void EraseBackground(HDC dc);
    void ShowSelectedPage();
    void ShowEntryDetails(const AutoRunEntry& entry);
    // The places of the tab's category that the scan could not read, in the details panel.
    void ShowUnreadableNote(std::size_t tab);
    void CreateCommandTip();
    // The command line as much as fits, its whole text as the tip.
    void ShowCommandLine(const std::wstring& command);
    void ShowName(const std::wstring& name);
    void ShowLocation(const std::wstring& location);
    // The cut lines fitted again to their controls' widths now.
    void RefitDetails();
    // The tab shown; kCategoryCount when none is.
    std::size_t ShownTab() const;
    // A one-line text as much as fits its control, ending in "…" when cut, its whole text as the tip.
    void ShowFitted(int id, const std::wstring& text);
    void OnRefresh();
    // Ends the program's window: the close box, Alt+F4, the system menu.
    void Close();
    // Tab from the tab strip into the list shown and back, Ctrl+Tab to the next tab; false for the
    // moves the dialog manager makes itself.
    bool MoveFocus(bool backward);
    // The filter box's text, on every page; the filter box of the tab shown, focused.
    void SetFilter(const std::wstring& text);
    void FocusFilter();
    // Each tab's caption with its count of rows, and of matches while a filter is set.
    void ShowCounts();
    // Empties the file's facts of the details panel, showing `icon` (a system icon, or none).
    void ClearFileFacts(HICON icon);
    // How far the scan has come, in the details panel while it shows no entry.
    void ShowProgress(std::size_t tab, std::size_t found);
    // The details of the selected row of the tab shown.
    void ShowSelectedDetails();
    void PaintMinimised();

    HINSTANCE instance_;
    unique_hicon icon_;
    unique_hicon smallIcon_;
    HWND tabControl_ = nullptr;
    PageSet pages_;
    unique_himagelist tabImages_;
    HWND iconControl_ = nullptr;
    // The whole command line of the entry shown, as the tip of its (possibly cut) text.
    HWND commandTip_ = nullptr;
    // The shell icon the details panel shows now (the system's icons are not owned).
    unique_hicon detailsIcon_;
    // What the details panel shows: an entry the user picked, or the scan's progress.
    bool entryShown_ = false;
    bool progressShown_ = false;
    std::wstring shownCommand_;
    std::wstring shownName_;
    std::wstring shownLocation_;
    AnchorLayout layout_;
    UINT dpi_ = kBaseDpi;
    ScaledFonts fonts_;
    SIZE minimumSize_ = {};
    unique_hbitmap bannerPicture_;
    // The about button's update signal: an update waits, and which half of the blink comes next.
    std::shared_ptr<UpdateTarget> updateTarget_;
    int32_t updateAvailable_ = 0;
    int32_t blinkPhase_ = 0;
};

}  // namespace tarn
