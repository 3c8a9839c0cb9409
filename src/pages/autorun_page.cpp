#include "pages/autorun_page.h"

#include "fileinfo/file_facts_cache.h"
#include "fileinfo/file_icon.h"
#include "pages/entry_filter.h"
#include "pages/locate.h"
#include "pages/page_texts.h"
#include "pages/row_order.h"
#include "pages/row_texts.h"
#include "pages/state_calls.h"
#include "base/registry_failure.h"
#include "resource_ids.h"
#include "state/user_hive_load.h"
#include "win/clipboard.h"
#include "win/com_ptr.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace tarn {

namespace {

constexpr DWORD kListStyles = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_DOUBLEBUFFER;
constexpr int kImageListGrowth = 500;
constexpr int kTextCapacity = 1024;
// How long the window's thread inserts rows in one go, and the timer that has it go on.
constexpr ULONGLONG kInsertBudgetMs = 25;
constexpr UINT_PTR kInsertTimer = 0x1402;

bool FileShown(const AutoRunEntry& entry) {
    return !entry.startsNoFile && entry.state != EntryFileMissing;
}

// The rows sorted by their ranks, handed over as the rows' own data.
int CALLBACK CompareRanks(LPARAM a, LPARAM b, LPARAM ranks) {
    const auto& rank = *reinterpret_cast<const std::unordered_map<LPARAM, std::size_t>*>(ranks);
    const std::size_t left = rank.at(a);
    const std::size_t right = rank.at(b);
    return left < right ? -1 : (left > right ? 1 : 0);
}

int CompareTextsNoCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                            static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

}  // namespace

CAutoRunPage::CAutoRunPage(std::size_t tab, PageScanLink& link) : tab_(tab), link_(link) {}

CAutoRunPage::~CAutoRunPage() {
    if (window() != nullptr) {
        ::DestroyWindow(window());
    }
}

HWND CAutoRunPage::Create(HINSTANCE instance, HWND tabControl) {
    return CreateModeless(instance, IDD_PAGE, tabControl);
}

BOOL CAutoRunPage::OnInitDialog() {
    listView_ = Item(IDC_LIST);
    filterBox_ = Item(IDC_FILTER);
    dpi_ = WindowDpi(window());
    // The main window scales its pages on a DPI change; Windows must not do it a second time.
    ScaleDialogOurselves(window());
    RECT box = {};
    ::GetWindowRect(filterBox_, &box);
    filterHeight_ = box.bottom - box.top;
    ::SendMessageW(filterBox_, EM_SETCUEBANNER, TRUE,
                   reinterpret_cast<LPARAM>(L"筛选 (Ctrl+F)：名称、文件、命令、厂商、描述、签名或位置"));
    SetupColumns();
    const int iconSize = ScaleToDpi(16, dpi_);
    imageList_.reset(::ImageList_Create(iconSize, iconSize, ILC_MASK | ILC_COLOR32, 0, kImageListGrowth));
    ::SendMessageW(listView_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(imageList_.get()));
    link_.window = window();
    return TRUE;
}

void CAutoRunPage::SetupColumns() {
    int index = 0;
    for (const ColumnLayout& layout : ColumnsOf(category().page.columns)) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = ScaleToDpi(layout.width, dpi_);
        column.pszText = const_cast<wchar_t*>(layout.caption);
        column.iSubItem = index;
        ::SendMessageW(listView_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
        ++index;
    }
    ::SendMessageW(listView_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListStyles);
}

bool CAutoRunPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_SIZE) {
        // The filter box above, the list filling the rest, so that its scroll bars stay within the tab.
        const int width = LOWORD(lParam);
        const int below = filterHeight_ + 2;
        ::MoveWindow(filterBox_, 0, 0, width, filterHeight_, TRUE);
        ::MoveWindow(listView_, 0, below, width, std::max(0, HIWORD(lParam) - below), TRUE);
        FollowListWidth(width);
        return false;
    }
    if (message == WM_CONTEXTMENU && lParam == -1) {
        // From the keyboard (Shift+F10, the menu key): the selected row's menu, at the row.
        int row = -1;
        if (AutoRunEntry* entry = SelectedEntry(&row)) {
            ::SendMessageW(listView_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
            RECT rect = {};
            rect.left = LVIR_LABEL;
            ::SendMessageW(listView_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
            POINT at = {rect.left + 8, rect.bottom};
            ::ClientToScreen(listView_, &at);
            ShowEntryMenu(*entry, at);
        }
        result = 0;
        return true;
    }
    if (message == WM_TARN_INSERT_ROW || (message == WM_TIMER && wParam == kInsertTimer)) {
        InsertPendingRows();
        result = 0;
        return true;
    }
    if (message != ScanMessageOf(tab_) || lParam == 0) {
        return false;
    }
    OnScanHandOff(wParam, *reinterpret_cast<PageHandOff*>(lParam));
    result = 0;
    return true;
}

bool CAutoRunPage::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_LIST) {
        return false;
    }
    switch (header.code) {
        case NM_CLICK:
            OnListClick();
            result = 0;
            return true;
        case NM_RCLICK:
            OnListRightClick(reinterpret_cast<const NMITEMACTIVATE&>(header));
            result = 0;
            return true;
        case LVN_ITEMCHANGED: {
            // The details follow the selection however it moved (clicks, arrow keys).
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_SELECTED) != 0 &&
                (change.uOldState & LVIS_SELECTED) == 0) {
                OnListClick();
            }
            result = 0;
            return true;
        }
        case LVN_KEYDOWN:
            OnListKey(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
            result = 0;
            return true;
        case LVN_COLUMNCLICK:
            SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            result = 0;
            return true;
        case NM_CUSTOMDRAW:
            result = OnListCustomDraw(const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
            return true;
        default:
            return false;
    }
}

const AutoRunEntry* CAutoRunPage::SelectedEntry(int* row) const {
    if (!filled_) {
        return nullptr;
    }
    const int selected =
        static_cast<int>(::SendMessageW(listView_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const AutoRunEntry* entry = selected < 0 ? nullptr : EntryOfRow(selected);
    if (entry != nullptr && row != nullptr) {
        *row = selected;
    }
    return entry;
}

const AutoRunEntry* CAutoRunPage::EntryOfRow(int row) const {
    // Each row knows its entry: the rows may be sorted, and the list is never.
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!::SendMessageW(listView_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
        return nullptr;
    }
    return reinterpret_cast<const AutoRunEntry*>(item.lParam);
}

void CAutoRunPage::FollowListWidth(int width) {
    // The path column takes what the list gains or loses, never less than its first width; the
    // columns the user dragged keep their widths.
    if (listWidth_ > 0 && width != listWidth_) {
        const int column = PathColumn(category().page.columns);
        const int first = ScaleToDpi(ColumnsOf(category().page.columns)[static_cast<std::size_t>(column)].width, dpi_);
        const auto now = static_cast<int>(::SendMessageW(listView_, LVM_GETCOLUMNWIDTH, column, 0));
        ::SendMessageW(listView_, LVM_SETCOLUMNWIDTH, column, std::max(first, now + width - listWidth_));
    }
    listWidth_ = width;
}

std::vector<std::size_t> CAutoRunPage::RowOrder() const {
    // The scan's order needs no texts.
    std::vector<std::wstring> keys(list_.entries.size());
    if (sort_.direction != SortDirection::ScanOrder) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const AutoRunEntry& entry = *list_.entries[i];
            auto cells = RowTexts(entry, FileShown(entry), category().page.columns);
            if (static_cast<std::size_t>(sort_.column) < cells.size()) {
                keys[i] = std::move(cells[static_cast<std::size_t>(sort_.column)]);
            }
        }
    }
    return SortedRows(keys, sort_.direction, CompareTextsNoCase);
}

void CAutoRunPage::SortBy(int column) {
    // Rows still coming in keep the scan's order.
    if (!filled_) {
        return;
    }
    sort_ = NextSort(sort_, column);
    const std::vector<std::size_t> order = RowOrder();
    std::unordered_map<LPARAM, std::size_t> ranks;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        ranks[reinterpret_cast<LPARAM>(list_.entries[order[rank]].get())] = rank;
    }
    ::SendMessageW(listView_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ranks), reinterpret_cast<LPARAM>(CompareRanks));
    ShowSortArrow();
    int row = -1;
    if (SelectedEntry(&row) != nullptr) {
        ::SendMessageW(listView_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
}

std::wstring CAutoRunPage::FilterText() const {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(filterBox_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(filterBox_, &text[0], static_cast<int>(text.size()))));
    return text;
}

void CAutoRunPage::SetFilter(const std::wstring& text) {
    if (FilterText() != text) {
        settingFilter_ = true;
        ::SetWindowTextW(filterBox_, text.c_str());
        settingFilter_ = false;
    }
    filter_ = FoldCase(text);
    if (::IsWindowVisible(window())) {
        ApplyFilterIfStale();
    }
}

void CAutoRunPage::ApplyFilterIfStale() {
    if (filled_ && rowsFilter_ != filter_) {
        ApplyFilter();
    }
}

std::size_t CAutoRunPage::MatchCount() const {
    return static_cast<std::size_t>(std::count_if(list_.entries.begin(), list_.entries.end(),
                                                  [this](const auto& entry) { return EntryMatches(*entry, filter_); }));
}

void CAutoRunPage::ApplyFilter() {
    const AutoRunEntry* selected = SelectedEntry();
    cellTips_.Pause();
    rowsFilter_ = filter_;
    ::SendMessageW(listView_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(listView_, LVM_DELETEALLITEMS, 0, 0);
    int selectedRow = -1;
    for (const std::size_t index : RowOrder()) {
        const AutoRunEntry* entry = list_.entries[index].get();
        if (!EntryMatches(*entry, rowsFilter_)) {
            continue;
        }
        if (entry == selected) {
            selectedRow = static_cast<int>(::SendMessageW(listView_, LVM_GETITEMCOUNT, 0, 0));
        }
        const auto image = images_.find(entry);
        InsertRow(entry, image != images_.end() ? image->second : -1,
                  RowTexts(*entry, FileShown(*entry), category().page.columns));
    }
    if (selectedRow >= 0) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(listView_, LVM_SETITEMSTATE, static_cast<WPARAM>(selectedRow), reinterpret_cast<LPARAM>(&state));
        ::SendMessageW(listView_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selectedRow), FALSE);
    }
    ::SendMessageW(listView_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(listView_, nullptr, TRUE);
    cellTips_.Attach(listView_);
    if (selected != nullptr && selectedRow < 0) {
        // The row shown in the details is filtered out: the details go with it.
        ::SendMessageW(link_.signals->mainWindow.load(), WM_TARN_SHOW_DETAILS, tab_, 0);
    }
    TellRowsChanged();
}

void CAutoRunPage::OnDpiChanged(UINT from, UINT to) {
    if (from == 0 || from == to) {
        return;
    }
    const auto scale = [from, to](int value) { return ScaleBetween(value, from, to); };
    dpi_ = to;
    ScaledFonts fonts;
    ScaleChildren(window(), from, to, fonts);
    fonts_ = std::move(fonts);
    filterHeight_ = scale(filterHeight_);
    const auto header = reinterpret_cast<HWND>(::SendMessageW(listView_, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        const auto width = static_cast<int>(::SendMessageW(listView_, LVM_GETCOLUMNWIDTH, column, 0));
        ::SendMessageW(listView_, LVM_SETCOLUMNWIDTH, column, scale(width));
    }
    listWidth_ = scale(listWidth_);
    // The fill thread adds icons while it runs: the list is redrawn once it has ended.
    if (filled_) {
        RescaleImages();
    }
}

void CAutoRunPage::RescaleImages() {
    const int size = ScaleToDpi(16, dpi_);
    int width = 0;
    int height = 0;
    if (::ImageList_GetIconSize(imageList_.get(), &width, &height) && width == size) {
        return;
    }
    unique_himagelist images(::ImageList_Create(size, size, ILC_MASK | ILC_COLOR32, 0, kImageListGrowth));
    const int count = ::ImageList_GetImageCount(imageList_.get());
    for (int image = 0; image < count; ++image) {
        // Numbered as before, so that every row keeps its icon.
        const unique_hicon icon(::ImageList_GetIcon(imageList_.get(), image, ILD_NORMAL));
        ::ImageList_ReplaceIcon(images.get(), -1, icon ? icon.get() : ::LoadIconW(nullptr, IDI_WINLOGO));
    }
    ::SendMessageW(listView_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.get()));
    imageList_ = std::move(images);
}

void CAutoRunPage::TellRowsChanged() const {
    ::PostMessageW(link_.signals->mainWindow.load(), WM_TARN_ROWS_CHANGED, tab_, 0);
}

void CAutoRunPage::ShowSortArrow() {
    const auto header = reinterpret_cast<HWND>(::SendMessageW(listView_, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < count; ++column) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == sort_.column) {
            item.fmt |= sort_.direction == SortDirection::Ascending ? HDF_SORTUP : HDF_SORTDOWN;
        }
        ::SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    }
}

void CAutoRunPage::CopySelectedRow() {
    const AutoRunEntry* entry = SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    // The columns' captions, then the row's texts, as the page shows them.
    std::wstring header;
    for (const ColumnLayout& column : ColumnsOf(category().page.columns)) {
        header += (header.empty() ? L"" : L"\t") + std::wstring(column.caption);
    }
    std::wstring row;
    for (const std::wstring& cell : RowTexts(*entry, FileShown(*entry), category().page.columns)) {
        row += (row.empty() ? L"" : L"\t") + cell;
    }
    CopyTextToClipboard(window(), header + L"\r\n" + row + L"\r\n");
}

AutoRunEntry* CAutoRunPage::SelectedEntry(int* row) {
    return const_cast<AutoRunEntry*>(std::as_const(*this).SelectedEntry(row));
}

void CAutoRunPage::OnListClick() {
    if (SelectedEntry() != nullptr) {
        ::SendMessageW(link_.signals->mainWindow.load(), WM_TARN_SHOW_DETAILS, tab_, 0);
    }
}

void CAutoRunPage::OnListRightClick(const NMITEMACTIVATE& click) {
    // No menu for a click beside the rows, nor before the page has filled.
    AutoRunEntry* entry = click.iItem < 0 ? nullptr : SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    const DWORD position = ::GetMessagePos();
    ShowEntryMenu(*entry, POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)});
}

void PressRefreshButton(HWND mainWindow) {
    // The window does nothing with the press while the button is greyed.
    const HWND button = ::GetDlgItem(mainWindow, IDC_REFRESH);
    ::PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void CAutoRunPage::OnListKey(WORD key) {
    if (key == VK_DELETE) {
        OnDeleteEntry();
    } else if (key == VK_F5) {
        PressRefreshButton(link_.signals->mainWindow.load());
    } else if (key == 'C' && ::GetKeyState(VK_CONTROL) < 0) {
        CopySelectedRow();
    } else if (key == 'F' && ::GetKeyState(VK_CONTROL) < 0) {
        ::SendMessageW(link_.signals->mainWindow.load(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(filterBox_), TRUE);
    }
}

void CAutoRunPage::ShowEntryMenu(AutoRunEntry& entry, POINT screen) {
    const HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ENTRY_MENU));
    const HMENU popup = ::GetSubMenu(menu, 0);
    ::SendMessageW(link_.signals->mainWindow.load(), WM_TARN_SHOW_DETAILS, tab_, 0);
    static constexpr UINT kItems[kEntryCommandCount] = {ID_ENABLE_ENTRY,    ID_DISABLE_ENTRY, ID_DELETE_ENTRY,
                                                        ID_LOCATE_REGISTRY, ID_LOCATE_FILE,   ID_SHOW_PROPERTIES};
    const auto available = MenuAvailability(categoryId_, entry.state, !entry.startsNoFile, entry.entryKind);
    for (std::size_t i = 0; i < kEntryCommandCount; ++i) {
        ::EnableMenuItem(popup, kItems[i], MF_BYCOMMAND | (available[i] ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
    }
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, screen.x, screen.y, 0, window(), nullptr);
    ::DestroyMenu(menu);
}

bool CAutoRunPage::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
        case IDC_FILTER:
            if (code == EN_CHANGE && !settingFilter_) {
                ::SendMessageW(link_.signals->mainWindow.load(), WM_TARN_FILTER_TYPED, tab_, 0);
            }
            return true;
        case ID_ENABLE_ENTRY:
            OnEnableEntry();
            return true;
        case ID_DISABLE_ENTRY:
            OnDisableEntry();
            return true;
        case ID_DELETE_ENTRY:
            OnDeleteEntry();
            return true;
        case ID_LOCATE_REGISTRY:
            OnLocateRegistry();
            return true;
        case ID_LOCATE_FILE:
            OnLocateFile();
            return true;
        case ID_SHOW_PROPERTIES:
            OnShowProperties();
            return true;
        case ID_COPY_ENTRY:
            CopySelectedRow();
            return true;
        default:
            return false;
    }
}

int CAutoRunPage::ShowMessage(const MessageText& message, UINT flags) const {
    // Owned by the main window: while a box is open, no scan can start under the command.
    return ::MessageBoxW(link_.signals->mainWindow.load(), message.text, message.caption, flags);
}

bool CAutoRunPage::RunOnEntry(const CommandPlan& plan, const AutoRunEntry& entry, const MessageText& failure) {
    // Another user's hive read from its file is loaded for the change, and unloaded before any
    // message is shown.
    LONG hiveCode = ERROR_SUCCESS;
    bool done = false;
    {
        const UserHiveLoad hive(entry);
        hiveCode = hive.code();
        done = hive.ok() && RunStateCall(stateChanges_, {plan.operation, plan.nameField}, entry) != 0;
    }
    if (hiveCode != ERROR_SUCCESS) {
        const std::wstring text =
            std::wstring(kUserHiveNotLoaded.text) + L"\n\n" + entry.userHive + L"\n" + RegistryFailureText(hiveCode);
        ShowMessage({text.c_str(), kUserHiveNotLoaded.caption}, MB_OK | MB_ICONERROR);
        return false;
    }
    if (!done) {
        ShowMessage(failure, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void CAutoRunPage::OnEnableEntry() {
    SwitchEntry(true);
}

void CAutoRunPage::OnDisableEntry() {
    SwitchEntry(false);
}

void CAutoRunPage::SwitchEntry(bool enable) {
    int row = -1;
    AutoRunEntry* entry = SelectedEntry(&row);
    if (entry == nullptr) {
        return;
    }
    const int32_t categoryId = categoryId_;
    const CommandPlan plan = PlanSwitch(categoryId, enable, *entry);
    if (plan.operation == Operation::Ignored) {
        OnCommandIgnored();
        return;
    }
    if (plan.operation == Operation::None) {
        return;
    }
    if (!RunOnEntry(plan, *entry, enable ? EnableFailure(categoryId) : DisableFailure(categoryId))) {
        return;
    }
    if (plan.operation == Operation::EnableStartupApproval) {
        entry->offByWindows = false;
    }
    entry->state = StateAfterSwitch(*entry, enable);
    entry->inStore = !enable;
    TakeSwitchedPlace(*entry, enable);
    LVITEMW item = {};
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(StateCellText(*entry));
    ::SendMessageW(listView_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    if (entry->state == EntryOffByWindows) {
        ShowMessage(kStillOffByWindows, MB_OK | MB_ICONINFORMATION);
    }
}

void CAutoRunPage::OnDeleteEntry() {
    int row = -1;
    AutoRunEntry* entry = SelectedEntry(&row);
    if (entry == nullptr) {
        return;
    }
    const int32_t categoryId = categoryId_;
    const CommandPlan plan = PlanCommand(categoryId, EntryCommand::Delete, entry->entryKind);
    if (plan.operation == Operation::Ignored) {
        OnCommandIgnored();
        return;
    }
    if (plan.operation == Operation::None) {
        return;
    }
    if (ShowMessage(DeleteConfirmation(categoryId), MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        return;
    }
    // The question took its time: act only on the entry the row still shows.
    int stillRow = -1;
    if (SelectedEntry(&stillRow) != entry || stillRow != row) {
        return;
    }
    if (!RunOnEntry(plan, *entry, DeleteFailure(categoryId))) {
        return;
    }
    ::SendMessageW(listView_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    ::InvalidateRect(window(), nullptr, FALSE);
    images_.erase(entry);
    list_.entries.erase(std::find_if(list_.entries.begin(), list_.entries.end(),
                                     [entry](const auto& held) { return held.get() == entry; }));
    TellRowsChanged();
    // The details no longer show an entry that is gone.
    ::SendMessageW(link_.signals->mainWindow.load(), WM_TARN_SHOW_DETAILS, tab_, 0);
    if (plan.confirmsSuccess) {
        ShowMessage(kDeleteSuccess, MB_OK | MB_ICONINFORMATION);
    }
}

void CAutoRunPage::OnLocateRegistry() {
    const AutoRunEntry* entry = SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    // Tasks and shortcuts are files: they have no key to show.
    if (!category().menu.locatesInRegistry) {
        OnCommandIgnored();
        return;
    }
    // A hive the scan read from its file is loaded nowhere the registry editor can show.
    if (!entry->userHive.empty()) {
        const std::wstring text = std::wstring(kUserHiveNotShown.text) + L"\n\n" + entry->userHive;
        ShowMessage({text.c_str(), kUserHiveNotShown.caption}, MB_OK | MB_ICONINFORMATION);
        return;
    }
    LocateInRegistryEditor(LocatedKeyPath(*entry), LocatedValueName(*entry), entry->locateKind);
}

void CAutoRunPage::OnLocateFile() {
    if (const AutoRunEntry* entry = SelectedEntry()) {
        LocateFile(entry->imagePath);
    }
}

void CAutoRunPage::OnShowProperties() {
    if (const AutoRunEntry* entry = SelectedEntry()) {
        ShowFileProperties(entry->imagePath);
    }
}

void CAutoRunPage::LocateInRegistryEditor(const std::wstring& keyPath,
                                          const std::wstring& valueName,
                                          int32_t locateKind) {
    LocateKeyInRegistryEditor(keyPath, valueName, locateKind);
}

void CAutoRunPage::LocateFile(const std::wstring& path) {
    OpenFolderSelectingFile(path);
}

int32_t CAutoRunPage::ShowFileProperties(const std::wstring& path) {
    return OpenFileProperties(path);
}

LRESULT CAutoRunPage::OnListCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            // The row's colour comes from its entry; a row the list does not hold yet is black.
            const AutoRunEntry* entry = filled_ ? EntryOfRow(static_cast<int>(draw.nmcd.dwItemSpec)) : nullptr;
            draw.clrText = entry != nullptr ? RowColour(*entry, category().page.columns) : kColourNormal;
            draw.clrTextBk = 0xFFFFFF;
            return CDRF_DODEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

void CAutoRunPage::ClearIcons() {
    for (int count = ::ImageList_GetImageCount(imageList_.get()); count > 0; --count) {
        ::ImageList_Remove(imageList_.get(), 0);
        --imageCount_;
    }
}

void CAutoRunPage::OnScanHandOff(WPARAM completedScans, PageHandOff& handOff) {
    // A scan starts only once every page has filled, so an earlier fill thread has ended or is
    // about to: its list must not go from under it.
    if (link_.fillThread) {
        ::WaitForSingleObject(link_.fillThread.get(), INFINITE);
        link_.fillThread.reset();
    }
    {
        const std::lock_guard<std::mutex> lock(pendingMutex_);
        pendingRows_.clear();
    }
    filled_ = false;
    fillQueued_ = false;
    cellTips_.Pause();
    images_.clear();
    rowsFilter_.clear();
    sort_ = {};
    ShowSortArrow();
    if (completedScans != 0) {
        ClearIcons();
        if (::SendMessageW(listView_, LVM_GETITEMCOUNT, 0, 0) > 0) {
            ::SendMessageW(listView_, LVM_DELETEALLITEMS, 0, 0);
        }
    }
    list_ = std::move(handOff.results);
    fillFiles_ = std::move(handOff.files);
    fillStartedMs_ = ::GetTickCount64();
    if (Stopping()) {
        return;
    }
    link_.fillThread.reset(::CreateThread(nullptr, 0, FillThreadProc, this, 0, nullptr));
    if (!link_.fillThread) {
        // The rows are made here instead, so that they always come to show the list.
        Fill();
    }
}

DWORD WINAPI CAutoRunPage::FillThreadProc(void* argument) {
    static_cast<CAutoRunPage*>(argument)->Fill();
    return 0;
}

void CAutoRunPage::Fill() {
    const PageTraits& traits = category().page;
    const ComApartment apartment;
    const auto& entries = list_.entries;
    LARGE_INTEGER frequency = {};
    ::QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER started = {};
    ::QueryPerformanceCounter(&started);
    const int64_t fillsBegan = link_.signals->fillsBegan.load();
    if (fillsBegan != 0 && fillsBegan <= started.QuadPart) {
        started.QuadPart = fillsBegan;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (Stopping()) {
            return;
        }
        AddRow(*entries[i]);
        if (traits.pauseMs != 0) {
            // Row i+1 is due (i+1) pauses after the pages were told to fill: the rows' own work is
            // done inside the pauses, and a row that took longer than one pause is made up by the
            // rows after it.
            LARGE_INTEGER now = {};
            ::QueryPerformanceCounter(&now);
            const long long elapsedMs = (now.QuadPart - started.QuadPart) * 1000 / frequency.QuadPart;
            const long long dueMs = static_cast<long long>(i + 1) * traits.pauseMs;
            if (elapsedMs < dueMs) {
                ::Sleep(static_cast<DWORD>(dueMs - elapsedMs));
            }
        }
    }
    // The window's thread finishes the fill once it has inserted the last row.
    fillQueued_ = true;
    QueueRow({});
}

void CAutoRunPage::AddRow(const AutoRunEntry& entry) {
    const bool exists = FileShown(entry);
    // One shell call per file and scan; every row still gets its own image, as rows and images
    // are numbered alike.
    HICON shellIcon = nullptr;
    unique_hicon ownIcon;
    if (exists) {
        if (fillFiles_) {
            shellIcon = fillFiles_->SmallIcon(entry.imagePath);
        } else {
            ownIcon = SmallShellIcon(entry.imagePath);
            shellIcon = ownIcon.get();
        }
    }
    // The system's icons are shared and never destroyed.
    const HICON windowsLogo = ::LoadIconW(nullptr, IDI_WINLOGO);
    int image = ::ImageList_ReplaceIcon(imageList_.get(), -1, shellIcon != nullptr ? shellIcon : windowsLogo);
    if (image < 0) {
        // A file the shell gives no icon for still shows one of its own, never the next row's.
        image = ::ImageList_ReplaceIcon(imageList_.get(), -1, windowsLogo);
    }
    ++imageCount_;

    PendingRow pending;
    pending.entry = &entry;
    pending.image = image;
    pending.cells = RowTexts(entry, exists, category().page.columns);
    QueueRow(std::move(pending));
}

void CAutoRunPage::QueueRow(PendingRow row) {
    bool ask = false;
    {
        const std::lock_guard<std::mutex> lock(pendingMutex_);
        pendingRows_.push_back(std::move(row));
        ask = !insertAsked_;
        insertAsked_ = true;
    }
    if (ask && !::PostMessageW(window(), WM_TARN_INSERT_ROW, 0, 0)) {
        const std::lock_guard<std::mutex> lock(pendingMutex_);
        insertAsked_ = false;
    }
}

void CAutoRunPage::InsertPendingRows() {
    ::KillTimer(window(), kInsertTimer);
    const ULONGLONG began = ::GetTickCount64();
    bool last = false;
    ::SendMessageW(listView_, WM_SETREDRAW, FALSE, 0);
    for (;;) {
        PendingRow row;
        {
            const std::lock_guard<std::mutex> lock(pendingMutex_);
            if (pendingRows_.empty()) {
                insertAsked_ = false;
                break;
            }
            // Timers come after the user's input: the rest waits for the next round.
            if (::GetTickCount64() - began >= kInsertBudgetMs) {
                ::SetTimer(window(), kInsertTimer, USER_TIMER_MINIMUM, nullptr);
                break;
            }
            row = std::move(pendingRows_.front());
            pendingRows_.pop_front();
        }
        // The fill thread's closing mark comes after its last row.
        if (row.cells.empty()) {
            last = true;
            continue;
        }
        images_[row.entry] = row.image;
        InsertRow(row.entry, row.image, row.cells);
    }
    ::SendMessageW(listView_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(listView_, nullptr, FALSE);
    if (category().page.redrawsEachRow) {
        ::InvalidateRect(window(), nullptr, FALSE);
    }
    if (last && fillQueued_.load() && !filled_) {
        FinishFill();
    }
}

void CAutoRunPage::FinishFill() {
    filled_ = true;
    categoryId_ = CategoryIdOfTab(tab_);
    fillFiles_.reset();
    if (link_.fillMs != nullptr) {
        *link_.fillMs = ::GetTickCount64() - fillStartedMs_;
    }
    ::InvalidateRect(listView_, nullptr, FALSE);
    RescaleImages();
    cellTips_.Attach(listView_);
    // Rows typed away while the page filled go now.
    if (!filter_.empty()) {
        ApplyFilter();
    }
    ::PostMessageW(link_.signals->mainWindow.load(), WM_TARN_PAGE_FILLED, tab_, 0);
}

void CAutoRunPage::InsertRow(const AutoRunEntry* entry, int image, const std::vector<std::wstring>& cells) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = static_cast<int>(::SendMessageW(listView_, LVM_GETITEMCOUNT, 0, 0));
    // Each row keeps its entry, whatever order the rows come to have.
    item.lParam = reinterpret_cast<LPARAM>(entry);
    item.pszText = const_cast<wchar_t*>(cells[0].c_str());
    item.iImage = image;
    const int row = static_cast<int>(::SendMessageW(listView_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (std::size_t column = 1; column < cells.size(); ++column) {
        LVITEMW sub = {};
        sub.iSubItem = static_cast<int>(column);
        sub.pszText = const_cast<wchar_t*>(cells[column].c_str());
        ::SendMessageW(listView_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
}

}  // namespace tarn
