#include "support/main_window.h"

#include "app/scan_coordinator.h"
#include "resource_ids.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>

namespace tarn::test {

namespace {

constexpr int kTextCapacity = 4096;

LPARAM Point(const RECT& rect) {
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    return MAKELPARAM(x, y);
}

}  // namespace

bool Eventually(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() > deadline) {
            return false;
        }
        ::Sleep(10);
    }
    return true;
}

namespace {

// Posted messages are taken from the queue in order, each handled before the next is taken: once
// a marker posted after some messages has been taken, they have been handled.
const UINT g_marker = ::RegisterWindowMessageW(L"TarnwellTestSettle");
std::atomic<long> g_markersTaken{0};
LRESULT CALLBACK WatchMarkers(int code, WPARAM removal, LPARAM message) {
    if (code == HC_ACTION && removal == PM_REMOVE && reinterpret_cast<const MSG*>(message)->message == g_marker) {
        ++g_markersTaken;
    }
    return ::CallNextHookEx(nullptr, code, removal, message);
}

}  // namespace

void MainWindow::Settle(HWND window) const {
    const long before = g_markersTaken.load();
    ::PostMessageW(window, g_marker, 0, 0);
    EXPECT_TRUE(Eventually([&] { return g_markersTaken.load() > before; })) << "the window stopped answering";
}

namespace {
// The main window a test has open; a test opens one at a time.
MainWindow* openWindow = nullptr;
}  // namespace

const std::vector<std::unique_ptr<AutoRunEntry>>& ShownEntries(std::size_t tab) {
    return openWindow->Entries(tab);
}

MainWindow::MainWindow() {
    openWindow = this;
    InitScanCoordinator();
    dialog_ = std::make_unique<CBrambleDlg>(::GetModuleHandleW(nullptr));
    ui_ = std::thread([this] { RunDialog(); });
    EXPECT_TRUE(Eventually([this] { return dialog_->window() != nullptr; })) << "the main window did not open";
    window_ = dialog_->window();
    hook_ = ::SetWindowsHookExW(WH_GETMESSAGE, WatchMarkers, nullptr, ::GetWindowThreadProcessId(window_, nullptr));
    EXPECT_NE(nullptr, hook_);
    // The user meets the window once it is shown and its message loop runs.
    EXPECT_TRUE(Eventually([this] { return ::IsWindowVisible(window_) != FALSE; }));
    Settle(window_);
}

MainWindow::~MainWindow() {
    Close();
    if (hook_ != nullptr) {
        ::UnhookWindowsHookEx(hook_);
    }
    ShutdownScanCoordinator();
    openWindow = nullptr;
}

void MainWindow::RunDialog() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    dialog_->RunModal(::GetModuleHandleW(nullptr), IDD_MAIN, nullptr);
}

bool MainWindow::IsOpen() const {
    return !closed_ && ::IsWindow(window_);
}

DWORD MainWindow::Close() {
    if (closed_) {
        return 0;
    }
    closed_ = true;
    const ULONGLONG start = ::GetTickCount64();
    ::PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (ui_.joinable()) {
        ui_.join();
    }
    return static_cast<DWORD>(::GetTickCount64() - start);
}

bool MainWindow::WaitForScans(int32_t count, DWORD timeoutMs) const {
    return Eventually([&] { return Scan().completedScans.load() >= count && IsEnabled(IDC_REFRESH); }, timeoutMs);
}

void MainWindow::ClickTab(std::size_t tab) {
    const HWND tabs = dialog_->tabControl();
    RECT rect = {};
    ::SendMessageW(tabs, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(&rect));
    ::PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, Point(rect));
    ::PostMessageW(tabs, WM_LBUTTONUP, 0, Point(rect));
    Settle(tabs);
}

void MainWindow::ClickRow(std::size_t tab, int row) {
    const HWND list = dialog_->page(tab).listView();
    // The user scrolls the row into view first.
    ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT rect = {};
    rect.left = LVIR_LABEL;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, Point(rect));
    ::PostMessageW(list, WM_LBUTTONUP, 0, Point(rect));
    Settle(list);
}

void MainWindow::ClickHeader(std::size_t tab, int column) {
    const HWND list = dialog_->page(tab).listView();
    const auto header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT rect = {};
    ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rect));
    ::PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, Point(rect));
    ::PostMessageW(header, WM_LBUTTONUP, 0, Point(rect));
    Settle(list);
}

void MainWindow::ClickButton(int id) {
    const HWND button = ::GetDlgItem(window_, id);
    RECT rect = {};
    ::GetClientRect(button, &rect);
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(rect));
    ::PostMessageW(button, WM_LBUTTONUP, 0, Point(rect));
    Settle(button);
}

namespace {

constexpr UINT kMenuIds[] = {ID_ENABLE_ENTRY,    ID_DISABLE_ENTRY, ID_DELETE_ENTRY,
                             ID_LOCATE_REGISTRY, ID_LOCATE_FILE,   ID_SHOW_PROPERTIES};

// A shown top-level window of a class that belongs to this process, other than `except`.
HWND FindOwnWindow(const wchar_t* className, HWND except = nullptr) {
    for (HWND found = ::FindWindowExW(nullptr, nullptr, className, nullptr); found != nullptr;
         found = ::FindWindowExW(nullptr, found, className, nullptr)) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(found, &process);
        if (found != except && process == ::GetCurrentProcessId() && ::IsWindowVisible(found)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<bool> MainWindow::OpenMenu(std::size_t tab, int row) {
    const HWND list = dialog_->page(tab).listView();
    ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT rect = {};
    rect.left = LVIR_LABEL;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    ::PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, Point(rect));
    ::PostMessageW(list, WM_RBUTTONUP, 0, Point(rect));
    return OpenedMenu();
}

std::vector<bool> MainWindow::OpenMenuFromKeyboard(std::size_t tab) {
    const HWND list = dialog_->page(tab).listView();
    // What Shift+F10 and the menu key send to the focused list.
    ::PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
    return OpenedMenu();
}

std::vector<bool> MainWindow::OpenedMenu() {
    menuWindow_ = nullptr;
    menu_ = nullptr;
    std::vector<bool> available;
    if (!Eventually([this] { return (menuWindow_ = FindOwnWindow(L"#32768")) != nullptr; })) {
        return available;
    }
    menu_ = reinterpret_cast<HMENU>(::SendMessageW(menuWindow_, MN_GETHMENU, 0, 0));
    for (const UINT id : kMenuIds) {
        const UINT state = ::GetMenuState(menu_, id, MF_BYCOMMAND);
        available.push_back(state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0);
    }
    return available;
}

void MainWindow::ChooseMenuItem(UINT id) {
    ClickMenuItem(id);
    EXPECT_TRUE(Eventually([this] { return !MenuIsOpen(); })) << "the menu stayed open";
}

void MainWindow::ClickMenuItem(UINT id) {
    const int count = ::GetMenuItemCount(menu_);
    for (int position = 0; position < count; ++position) {
        if (::GetMenuItemID(menu_, position) != id) {
            continue;
        }
        RECT rect = {};
        ::GetMenuItemRect(nullptr, menu_, static_cast<UINT>(position), &rect);
        // The menu's tracking takes a click's position in screen coordinates.
        const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        ::PostMessageW(menuWindow_, WM_LBUTTONDOWN, MK_LBUTTON, point);
        ::PostMessageW(menuWindow_, WM_LBUTTONUP, 0, point);
    }
}

void MainWindow::CloseMenu() {
    ::PostMessageW(menuWindow_, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Eventually([this] { return !MenuIsOpen(); })) << "the menu stayed open";
}

bool MainWindow::MenuIsOpen() const {
    return FindOwnWindow(L"#32768") != nullptr;
}

MainWindow::Box MainWindow::WaitForBox(DWORD timeoutMs) const {
    Box box;
    Eventually([&] { return (box.window = FindOwnWindow(L"#32770", window_)) != nullptr; }, timeoutMs);
    if (box.window != nullptr) {
        wchar_t text[1024] = {};
        ::GetDlgItemTextW(box.window, 0xFFFF, text, 1024);
        box.text = text;
        ::GetWindowTextW(box.window, text, 1024);
        box.caption = text;
        box.owner = ::GetWindow(box.window, GW_OWNER);
    }
    return box;
}

bool MainWindow::BoxIsOpen() const {
    return FindOwnWindow(L"#32770", window_) != nullptr;
}

void MainWindow::Answer(const Box& box, int button) {
    ::SendMessageW(::GetDlgItem(box.window, button), BM_CLICK, 0, 0);
    EXPECT_TRUE(Eventually([&] { return !::IsWindow(box.window); })) << "the box stayed open";
}

std::wstring MainWindow::Text(int id) const {
    std::vector<wchar_t> text(kTextCapacity, L'\0');
    const HWND control = ::GetDlgItem(window_, id);
    const auto length = ::SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::wstring(text.data(), static_cast<std::size_t>(length));
}

std::wstring MainWindow::WholeText(int id) const {
    std::vector<wchar_t> text(4096, L'\0');
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(window_, id));
    tool.lpszText = text.data();
    ::SendMessageW(dialog_->commandTip(), TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    return text.data();
}

int MainWindow::RowCount(std::size_t tab) const {
    return static_cast<int>(::SendMessageW(dialog_->page(tab).listView(), LVM_GETITEMCOUNT, 0, 0));
}

std::vector<std::wstring> MainWindow::Row(std::size_t tab, int row) const {
    std::vector<std::wstring> cells;
    const HWND list = dialog_->page(tab).listView();
    const HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::vector<wchar_t> text(kTextCapacity, L'\0');
    for (int column = 0; column < columns; ++column) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = kTextCapacity;
        const auto length =
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        cells.emplace_back(text.data(), static_cast<std::size_t>(length));
    }
    return cells;
}

int MainWindow::RowImage(std::size_t tab, int row) const {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ::SendMessageW(dialog_->page(tab).listView(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

std::vector<std::pair<std::wstring, int>> MainWindow::Columns(std::size_t tab) const {
    std::vector<std::pair<std::wstring, int>> columns;
    const HWND list = dialog_->page(tab).listView();
    std::vector<wchar_t> text(256, L'\0');
    for (int index = 0;; ++index) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text.data();
        column.cchTextMax = static_cast<int>(text.size());
        if (!::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column))) {
            break;
        }
        columns.emplace_back(text.data(), column.cx);
    }
    return columns;
}

COLORREF MainWindow::CellColour(std::size_t tab, int row, int column) const {
    // Asks the page's custom draw as the list does when it paints the cell.
    CAutoRunPage& page = dialog_->page(tab);
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = page.listView();
    draw.nmcd.hdr.idFrom = IDC_LIST;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    draw.iSubItem = column;
    draw.clrText = 0x123456;
    ::SendMessageW(page.window(), WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&draw));
    return draw.clrText;
}

bool MainWindow::IsEnabled(int id) const {
    return ::IsWindowEnabled(::GetDlgItem(window_, id)) != FALSE;
}

}  // namespace tarn::test
