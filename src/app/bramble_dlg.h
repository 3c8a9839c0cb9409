#pragma once

#include "base/autorun_entry.h"
#include "pages/category_pages.h"
#include "win/dialog_base.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

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
    void ShowSelectedPage();
    void ShowEntryDetails(const AutoRunEntry& entry);
    // The places of the tab's category that the scan could not read, in the details panel.
    void ShowUnreadableNote(std::size_t tab);
    void CreateCommandTip();
    // The command line as much as fits, its whole text as the tip.
    void ShowCommandLine(const std::wstring& command);
    void OnRefresh();
    void PaintMinimised();

    HINSTANCE instance_;
    unique_hicon icon_;
    unique_hicon smallIcon_;
    HWND tabControl_ = nullptr;
    PageSet pages_;
    struct ImageListTraits {
        using pointer = HIMAGELIST;
        static pointer invalid() noexcept { return nullptr; }
        static void close(pointer list) noexcept { ::ImageList_Destroy(list); }
    };
    UniqueAny<ImageListTraits> tabImages_;
    HWND iconControl_ = nullptr;
    // The whole command line of the entry shown, as the tip of its (possibly cut) text.
    HWND commandTip_ = nullptr;
    // The shell icon the details panel shows now (the system's icons are not owned).
    unique_hicon detailsIcon_;
    // The about button's update signal: an update waits, and which half of the blink comes next.
    std::shared_ptr<UpdateTarget> updateTarget_;
    int32_t updateAvailable_ = 0;
    int32_t blinkPhase_ = 0;
};

}  // namespace tarn
