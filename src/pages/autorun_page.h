#pragma once

#include "base/categories.h"
#include "pages/category_table.h"
#include "pages/entry_commands.h"
#include "pages/page_scan_link.h"
#include "pages/row_order.h"
#include "state/state_changes.h"
#include "win/cell_tips.h"
#include "win/dialog_base.h"
#include "win/dpi.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarn {

// F5 presses the refresh button, as a click does.
void PressRefreshButton(HWND mainWindow);

// One category page: a borderless child dialog with one report list, one row per entry of the
// category, each row holding its entry (the rows come in the list's order and may be sorted). After every scan the page takes over its
// part of the scan (the list is the page's from then on, changed and erased on the window's thread
// only) and makes its rows on a thread of its own, which only reads the list. It hands its
// entries' switches and deletes to its state changes.
class CAutoRunPage : public CDialogBase {
public:
    CAutoRunPage(std::size_t tab, PageScanLink& link);
    ~CAutoRunPage() override;

    // Creates the page as a child of the main window's tab control.
    HWND Create(HINSTANCE instance, HWND tabControl);

    std::size_t tab() const { return tab_; }
    const CategoryRow& category() const { return CategoryTable()[tab_]; }
    // 0 until the first fill has ended, then the tab index + 1.
    int32_t categoryId() const { return categoryId_; }
    // The page's list, in the scan's order whatever the rows' order; what the scan could not
    // read of its category.
    const std::vector<std::unique_ptr<AutoRunEntry>>& entries() const { return list_.entries; }
    const std::vector<std::wstring>& unreadable() const { return list_.unreadable; }
    // Whether the rows show the list (the page's commands act only then).
    bool filled() const { return filled_; }
    // The entry of the selected row, when the page may act on it; null otherwise.
    const AutoRunEntry* SelectedEntry(int* row = nullptr) const;
    HWND listView() const { return listView_; }
    HIMAGELIST imageList() const { return imageList_.get(); }

    // The filter box, whose text every page shares: the text typed, the text to keep rows by (the
    // rows follow once the page is shown and filled), and how many entries it keeps.
    std::wstring FilterText() const;
    void SetFilter(const std::wstring& text);
    void ApplyFilterIfStale();
    std::size_t MatchCount() const;
    HWND filterBox() const { return filterBox_; }
    // The page at another DPI: its fonts, filter box, columns and row icons.
    void OnDpiChanged(UINT from, UINT to);
    // The tip that shows a cut cell whole.
    HWND cellTip() const { return cellTips_.tip(); }

    // The switches and deletes of the page's entries.
    CAutoRunStateChanges& stateChanges() { return stateChanges_; }

    // The page's columns: six, or five on the image-hijack page.
    virtual void SetupColumns();
    // The handler of commands a page does not support.
    virtual void OnCommandIgnored() {}

    // Leaving the program to show an entry elsewhere.
    virtual void LocateInRegistryEditor(const std::wstring& keyPath, const std::wstring& valueName, int32_t locateKind);
    virtual void LocateFile(const std::wstring& path);
    virtual int32_t ShowFileProperties(const std::wstring& path);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Takes over the page's part of a scan and starts making its rows.
    void OnScanHandOff(WPARAM completedScans, PageHandOff& handOff);
    void OnListClick();
    void OnListRightClick(const NMITEMACTIVATE& click);
    // The keys of the list: Delete asks to delete the selected row, F5 refreshes.
    void OnListKey(WORD key);
    // The selected row's menu at a point of the screen.
    void ShowEntryMenu(AutoRunEntry& entry, POINT screen);
    LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw);

    // The six commands of the context menu, on the selected row.
    void OnEnableEntry();
    void OnDisableEntry();
    void OnDeleteEntry();
    void OnLocateRegistry();
    void OnLocateFile();
    void OnShowProperties();

    AutoRunEntry* SelectedEntry(int* row = nullptr);
    // Orders the rows by a column, as a click on its header asks (NextSort).
    void SortBy(int column);
    // Copies the selected row's texts, with the columns' captions, to the clipboard.
    void CopySelectedRow();

private:
    const AutoRunEntry* EntryOfRow(int row) const;
    // The list's indices in the rows' order (the scan's, or a column's).
    std::vector<std::size_t> RowOrder() const;
    // Makes the rows again: the entries the filter keeps, in the rows' order, the selection kept.
    void ApplyFilter();
    void TellRowsChanged() const;
    // The row icons at the page's DPI, copied from the list drawn for another.
    void RescaleImages();
    void ShowSortArrow();
    void FollowListWidth(int width);
    void SwitchEntry(bool enable);
    // Runs the plan's call on the entry; false, with the failure told, when it did not succeed.
    bool RunOnEntry(const CommandPlan& plan, const AutoRunEntry& entry, const MessageText& failure);
    int ShowMessage(const MessageText& message, UINT flags) const;
    bool Stopping() const { return link_.signals->stop.load() != 0; }

    static DWORD WINAPI FillThreadProc(void* page);
    // On the fill thread: makes the rows of the list, paced, and hands them to the window's thread.
    void Fill();
    void AddRow(const AutoRunEntry& entry);
    // A row the fill has made, waiting for the window's thread.
    struct PendingRow {
        const AutoRunEntry* entry = nullptr;
        int image = -1;
        std::vector<std::wstring> cells;
    };
    // On the fill thread: hands a row to the window's thread, which inserts the rows in order.
    void QueueRow(PendingRow row);
    // On the window's thread: inserts waiting rows with the list's redrawing held for a few tens
    // of milliseconds at most, then lets the user's messages through before it goes on.
    void InsertPendingRows();
    // On the window's thread: appends the entry's row with its image and cell texts.
    void InsertRow(const AutoRunEntry* entry, int image, const std::vector<std::wstring>& cells);
    // On the window's thread, once the last row is in: the rows show the list.
    void FinishFill();
    void ClearIcons();

    std::size_t tab_;
    PageScanLink& link_;
    CAutoRunStateChanges stateChanges_;
    int32_t categoryId_ = 0;
    // The page's own list; the scan's file cache while the rows are made.
    CategoryResults list_;
    std::shared_ptr<FileFactsCache> fillFiles_;
    bool filled_ = false;
    SortState sort_;
    int listWidth_ = 0;
    ULONGLONG fillStartedMs_ = 0;
    HWND listView_ = nullptr;
    HWND filterBox_ = nullptr;
    CellTips cellTips_;
    UINT dpi_ = kBaseDpi;
    ScaledFonts fonts_;
    int filterHeight_ = 0;
    // The folded text the rows are kept by, and the one they are to be kept by.
    std::wstring rowsFilter_;
    std::wstring filter_;
    // Set while the page writes its own filter box, whose change is then no typing.
    bool settingFilter_ = false;
    // Each entry's icon in the image list, for rows made again.
    std::unordered_map<const AutoRunEntry*, int> images_;
    unique_himagelist imageList_;
    // Icons the fills have appended; the next row's icon goes after them.
    int imageCount_ = 0;

    std::mutex pendingMutex_;
    std::deque<PendingRow> pendingRows_;
    // Whether the window's thread has been asked to insert (a message or its timer is on its way).
    bool insertAsked_ = false;
    // Set by the fill thread once it has queued its last row.
    std::atomic<bool> fillQueued_{false};
};

}  // namespace tarn
