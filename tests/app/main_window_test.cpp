// The main window as a user meets it: a real window on the virtual display, filled by a real scan
// of a seeded registry, driven with the messages a user's clicks produce.
#include "app/scan_coordinator.h"
#include "base/categories.h"
#include "pages/category_table.h"
#include "pages/entry_filter.h"
#include "pages/page_texts.h"
#include "pages/row_texts.h"
#include "resource_ids.h"

#include "support/main_window.h"
#include "support/registry_dump.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/scan_gate.h"
#include "support/scoped_environment.h"
#include "support/scratch_folder.h"
#include "support/shell_fixture.h"
#include "support/task_fixture.h"
#include "support/test_paths.h"
#include "support/registry_paths.h"

#include "base/key_text.h"
#include "base/task_xml.h"
#include "win/native_registry.h"
#include "win/registry_api.h"
#include "win/unique_handle.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::Eventually;
using test::MainWindow;

constexpr std::size_t kHijackTab = kHijacksTab;
constexpr std::size_t kShortcutTab = kShortcutsTab;

// A machine with registrations of every state: a signed program, unsigned ones, a switched-off
// one, a service, a hijack, AppInit DLLs and a desktop shortcut. They are written into the
// prefix's own registry (and removed again): signature verification reads the machine's
// registry, which a redirected one would hide from it.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        signedApp = scratch / L"signed.exe";
        ::CopyFileW(test::FixturePath(L"signed\\signed_quoted.exe").c_str(), signedApp.c_str(), FALSE);
        seed.SetString(HKEY_LOCAL_MACHINE, kRun, L"Signed Tool", signedApp);
        seed.SetString(HKEY_LOCAL_MACHINE, kRun, L"Plain Tool", plainApp + L" /quiet");
        seed.SetString(HKEY_LOCAL_MACHINE, kRun + L"\\TarnAutoRunDisable", L"Parked Tool", plainApp);
        const std::wstring service = kServices + L"\\TarnDemoSvc";
        seed.SetString(HKEY_LOCAL_MACHINE, service, L"ObjectName", L"LocalSystem");
        seed.SetString(HKEY_LOCAL_MACHINE, service, L"ImagePath", plainApp);
        seed.SetDword(HKEY_LOCAL_MACHINE, service, L"Start", 2);
        seed.SetString(HKEY_LOCAL_MACHINE, kOptions + L"\\victim.exe", L"Debugger", plainApp);
        seed.SetString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", dllA + L"," + dllB);
    }

    // The row of a page whose name is `name`; -1 when there is none.
    static int RowNamed(std::size_t tab, const std::wstring& name) {
        const auto& entries = test::ShownEntries(tab);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i]->name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    test::RegistrySeed seed;
    test::ScratchFolder scratch;
    std::wstring plainApp = scratch.AddFile(L"plain.exe");
    std::wstring dllA = scratch.AddFile(L"a.dll");
    std::wstring dllB = scratch.AddFile(L"b.dll");
    std::wstring signedApp;
};

// The rows of a page against its category's result list, element by element.
void ExpectRowsShowEntries(MainWindow& window, std::size_t tab) {
    const auto& entries = test::ShownEntries(tab);
    ASSERT_EQ(static_cast<int>(entries.size()), window.RowCount(tab)) << "tab " << tab;
    const ColumnSet columns = CategoryTable()[tab].page.columns;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(RowTexts(*entries[i], entries[i]->state != EntryFileMissing, columns),
                  window.Row(tab, static_cast<int>(i)))
            << "tab " << tab << " row " << i;
    }
}

TEST_F(MainWindowTest, TabsColumnsAndRowsShowTheSeededRegistrations) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));

    const HWND tabs = window.dialog().tabControl();
    ASSERT_EQ(static_cast<LRESULT>(kCategoryCount), ::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    const HIMAGELIST tabImages = reinterpret_cast<HIMAGELIST>(::SendMessageW(tabs, TCM_GETIMAGELIST, 0, 0));
    EXPECT_EQ(static_cast<int>(kCategoryCount), ::ImageList_GetImageCount(tabImages));
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        wchar_t caption[64] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = caption;
        item.cchTextMax = 64;
        ::SendMessageW(tabs, TCM_GETITEMW, k, reinterpret_cast<LPARAM>(&item));
        // Each caption counts its tab's rows.
        const std::size_t rows = test::ShownEntries(k).size();
        EXPECT_EQ(CountedCaption(CategoryTable()[k].caption, rows, rows, false), caption);
        EXPECT_EQ(static_cast<int>(k), item.iImage);
    }
    using Columns = std::vector<std::pair<std::wstring, int>>;
    EXPECT_EQ((Columns{{L"程序名", 80},
                       {L"启动状态", 70},
                       {L"数字签名", 70},
                       {L"描述信息", 160},
                       {L"映像路径", 220},
                       {L"厂商信息", 250}}),
              window.Columns(kLogonTab));
    EXPECT_EQ((Columns{{L"程序名", 80}, {L"启动状态", 70}, {L"描述信息", 160}, {L"映像路径", 220}, {L"厂商信息", 250}}),
              window.Columns(kHijackTab));

    for (std::size_t tab = 0; tab < kCategoryCount; ++tab) {
        ExpectRowsShowEntries(window, tab);
    }
    // The seeded registrations, read against what was seeded, not against the code's output.
    const int signedRow = RowNamed(kLogonTab, L"Signed Tool");
    const int plainRow = RowNamed(kLogonTab, L"Plain Tool");
    const int parkedRow = RowNamed(kLogonTab, L"Parked Tool");
    ASSERT_TRUE(signedRow >= 0 && plainRow >= 0 && parkedRow >= 0);
    EXPECT_EQ((std::vector<std::wstring>{L"Signed Tool", L"已启用", L"签名正常", L"", LowerAscii(signedApp), L""}),
              window.Row(kLogonTab, signedRow));
    EXPECT_EQ(0x000000u, window.CellColour(kLogonTab, signedRow, 1));
    EXPECT_EQ((std::vector<std::wstring>{L"Plain Tool", L"已启用", L"无签名", L"", LowerAscii(plainApp), L""}),
              window.Row(kLogonTab, plainRow));
    EXPECT_EQ(0xFF2626u, window.CellColour(kLogonTab, plainRow, 4));  // the whole row blue
    EXPECT_EQ(L"已禁用", window.Row(kLogonTab, parkedRow)[1]);
    const int serviceRow = RowNamed(kServicesTab, L"TarnDemoSvc");
    const int hijackRow = RowNamed(kHijackTab, L"victim.exe");
    ASSERT_TRUE(serviceRow >= 0 && hijackRow >= 0);
    EXPECT_EQ((std::vector<std::wstring>{L"TarnDemoSvc", L"已启用", L"无签名", L"", LowerAscii(plainApp), L""}),
              window.Row(kServicesTab, serviceRow));
    EXPECT_EQ((std::vector<std::wstring>{L"victim.exe", L"已启用", L"", LowerAscii(plainApp), L""}),
              window.Row(kHijackTab, hijackRow));
    ASSERT_EQ(2, window.RowCount(kAppInitTab));
    EXPECT_EQ(LowerAscii(dllB), window.Row(kAppInitTab, 1)[4]);
    // Every row shows an icon of its own.
    for (int row = 0; row < window.RowCount(kLogonTab); ++row) {
        EXPECT_EQ(row, window.RowImage(kLogonTab, row));
    }
}

TEST_F(MainWindowTest, ClickedAndRightClickedEntriesShowTheirDetails) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    EXPECT_EQ(L"", window.Text(IDC_DETAIL_NAME));  // empty until an entry is clicked
    EXPECT_EQ(L"", window.Text(IDC_LOCATION_LABEL));

    const auto& logon = test::ShownEntries(kLogonTab);
    const int signedRow = RowNamed(kLogonTab, L"Signed Tool");
    ASSERT_GE(signedRow, 0);
    window.ClickRow(kLogonTab, signedRow);
    ASSERT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == L"Signed Tool"; }));
    const AutoRunEntry& entry = *logon[static_cast<std::size_t>(signedRow)];
    EXPECT_EQ(signedApp, window.WholeText(IDC_DETAIL_COMMAND));
    EXPECT_EQ(L"HKLM\\" + kRun + L"    MITRE 技术：T1547.001", window.WholeText(IDC_DETAIL_LOCATION));
    EXPECT_EQ(L"所在键:", window.Text(IDC_LOCATION_LABEL));
    EXPECT_EQ(L"大小:", window.Text(IDC_SIZE_LABEL));
    EXPECT_EQ(L"时间:", window.Text(IDC_TIME_LABEL));
    EXPECT_EQ(L"版本:", window.Text(IDC_VERSION_LABEL));
    EXPECT_EQ(L"KB", window.Text(IDC_KB_LABEL));
    EXPECT_EQ(std::to_wstring(entry.sizeKB), window.Text(IDC_DETAIL_SIZE));
    EXPECT_FALSE(entry.fileTime.empty());
    EXPECT_EQ(entry.fileTime, window.Text(IDC_DETAIL_TIME));
    EXPECT_EQ(entry.description, window.Text(IDC_DETAIL_DESCRIPTION));
    EXPECT_EQ(L"", window.Text(IDC_UNUSED_TEXT));
    EXPECT_NE(nullptr, reinterpret_cast<HICON>(
                           ::SendMessageW(::GetDlgItem(window.window(), IDC_DETAIL_ICON), STM_GETICON, 0, 0)));

    // A right click shows the entry as well, with its menu open.
    window.ClickTab(kServicesTab);
    EXPECT_TRUE(::IsWindowVisible(window.dialog().page(kServicesTab).window()));
    EXPECT_FALSE(::IsWindowVisible(window.dialog().page(kLogonTab).window()));
    EXPECT_FALSE(window.OpenMenu(kServicesTab, RowNamed(kServicesTab, L"TarnDemoSvc")).empty());
    ASSERT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == L"TarnDemoSvc"; }));
    EXPECT_EQ(L"HKLM\\" + kServices + L"    MITRE 技术：T1543.003", window.WholeText(IDC_DETAIL_LOCATION));
    // Closing the window with the menu still open ends both.
    EXPECT_TRUE(window.MenuIsOpen());
    window.Close();
    EXPECT_FALSE(window.MenuIsOpen());
}

TEST_F(MainWindowTest, AShortcutShowsItsFolder) {
    test::ShellTestFolder desktop(CSIDL_DESKTOPDIRECTORY);
    test::MakeShortcut(desktop / L"Plain.lnk", plainApp);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const int row = RowNamed(kShortcutTab, L"Plain.lnk");
    ASSERT_GE(row, 0);
    window.ClickTab(kShortcutTab);
    window.ClickRow(kShortcutTab, row);
    ASSERT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == L"Plain.lnk"; }));
    EXPECT_EQ(L"所在目录:", window.Text(IDC_LOCATION_LABEL));
    EXPECT_EQ(desktop.path() + L"    MITRE 技术：T1547.009", window.WholeText(IDC_DETAIL_LOCATION));
}

TEST_F(MainWindowTest, ANestedHiddenTaskIsShownWithWhatStartsItAndDeletedWithItsCopyKept) {
    const std::wstring top = L"\\TarnWindow" + std::to_wstring(::GetCurrentProcessId());
    const test::TaskDefinitionFiles files(top);
    const std::wstring task =
        files.Add(L"\\Vendor\\Hidden\\Updater",
                  test::TaskXml(L"Tarn", L"保持更新", L"<LogonTrigger/>", true, true,
                                L"<Exec><Command>" + plainApp + L"</Command><Arguments>/silent</Arguments></Exec>"));
    const std::wstring mail = files.Add(L"\\Mail", test::TaskXml(L"", L"", L"", true, false, L"<SendEmail/>"));
    const std::wstring definition = test::TaskDefinitionFiles::FileOf(task);
    const auto bytes = [](const std::wstring& file) {
        std::ifstream in(file.c_str(), std::ios::binary);
        return in ? std::optional<std::string>(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
    };
    const auto original = bytes(definition);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(kTasksTab);
    const int row = RowNamed(kTasksTab, task);
    const int mailRow = RowNamed(kTasksTab, mail);
    ASSERT_TRUE(row >= 0 && mailRow >= 0);
    // The name column shows the task's own name, the last column its folder.
    EXPECT_EQ((std::vector<std::wstring>{L"Updater", L"已启用", L"无签名", L"", LowerAscii(plainApp), L"", L"保持更新",
                                         L"Tarn", L"登录时", top + L"\\Vendor\\Hidden"}),
              window.Row(kTasksTab, row));
    EXPECT_EQ((std::vector<std::wstring>{L"Mail", L"已启用", L"", L"", L"发送电子邮件（已弃用的操作）", L"", L"", L"",
                                         L"", top}),
              window.Row(kTasksTab, mailRow));
    window.ClickRow(kTasksTab, row);
    ASSERT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == L"Updater"; }));
    EXPECT_EQ(plainApp + L" /silent", window.WholeText(IDC_DETAIL_COMMAND));
    EXPECT_EQ(top + L"\\Vendor\\Hidden    触发器：登录时    MITRE 技术：T1053.005", window.WholeText(IDC_DETAIL_LOCATION));

    // An e-mail action has no file to locate or show.
    const auto mailItems = window.OpenMenu(kTasksTab, mailRow);
    ASSERT_EQ(6u, mailItems.size());
    EXPECT_TRUE(mailItems[2]);
    EXPECT_FALSE(mailItems[4] || mailItems[5]);
    window.CloseMenu();

    window.OpenMenu(kTasksTab, row);
    window.ChooseMenuItem(ID_DELETE_ENTRY);
    window.Answer(window.WaitForBox(), IDYES);
    EXPECT_TRUE(Eventually([&] { return RowNamed(kTasksTab, task) < 0; }));
    EXPECT_FALSE(bytes(definition).has_value());
    EXPECT_EQ(original, bytes(test::TaskDefinitionFiles::KeptCopyOf(task)));
}

TEST_F(MainWindowTest, AFileThatGoesBeforeTheFillShowsGreyWithTheWindowsLogo) {
    const std::wstring ghost = scratch.AddFile(L"ghost.exe");
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    seed.SetString(HKEY_LOCAL_MACHINE, kRun, L"Ghost", ghost);
    {
        // The user refreshes; the file goes while the scan is between enumeration and fill.
        test::ScanGate gate(kServices);
        window.ClickButton(IDC_REFRESH);
        ASSERT_TRUE(gate.WaitReached());
        ASSERT_TRUE(::DeleteFileW(ghost.c_str()));
    }
    ASSERT_TRUE(window.WaitForScans(2));

    const int row = RowNamed(kLogonTab, L"Ghost");
    ASSERT_GE(row, 0);
    const AutoRunEntry& entry = *test::ShownEntries(kLogonTab)[static_cast<std::size_t>(row)];
    EXPECT_EQ(EntryFileMissing, entry.state);
    EXPECT_EQ(0, entry.sizeKB);
    EXPECT_EQ((std::vector<std::wstring>{L"Ghost", L"", L"", L"", L"文件不存在", L""}), window.Row(kLogonTab, row));
    EXPECT_EQ(0x808080u, window.CellColour(kLogonTab, row, 0));
    EXPECT_EQ(row, window.RowImage(kLogonTab, row));
    window.ClickRow(kLogonTab, row);
    ASSERT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == L"Ghost"; }));
    EXPECT_EQ(L"0", window.Text(IDC_DETAIL_SIZE));
}

RECT ScreenRect(HWND control) {
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    return rect;
}

// The window grows (the list with it, the buttons along the bottom right), maximises and comes
// back; it never gets smaller than it opened.
TEST_F(MainWindowTest, TheWindowResizesAndMaximisesAroundItsFirstSize) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const HWND main = window.window();
    const HWND list = window.dialog().page(kLogonTab).listView();
    const HWND refresh = ::GetDlgItem(main, IDC_REFRESH);
    const RECT frame = ScreenRect(main);
    const RECT list0 = ScreenRect(list);
    const RECT refresh0 = ScreenRect(refresh);
    const RECT name0 = ScreenRect(::GetDlgItem(main, IDC_DETAIL_NAME));
    const int pathColumn = PathColumn(window.dialog().page(kLogonTab).category().page.columns);
    const auto pathWidth = [&] { return static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, pathColumn, 0)); };
    const int path0 = pathWidth();
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    ::SetWindowPos(main, nullptr, 0, 0, width + 300, height + 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    window.Settle(list);
    const RECT moved = ScreenRect(main);
    const int dx = moved.left - frame.left;
    const int dy = moved.top - frame.top;
    EXPECT_EQ(list0.right - list0.left + 300, ScreenRect(list).right - ScreenRect(list).left);
    EXPECT_EQ(path0 + 300, pathWidth());  // the path column takes the width gained
    // Wider, the tabs may take fewer rows: the list's bottom follows the window's.
    EXPECT_EQ(list0.bottom + 200 + dy, ScreenRect(list).bottom);
    EXPECT_EQ(refresh0.left + 300 + dx, ScreenRect(refresh).left);
    EXPECT_EQ(refresh0.top + 200 + dy, ScreenRect(refresh).top);
    EXPECT_EQ(name0.left + dx, ScreenRect(::GetDlgItem(main, IDC_DETAIL_NAME)).left);

    ::SetWindowPos(main, nullptr, 0, 0, width / 2, height / 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    window.Settle(list);
    EXPECT_EQ(width, ScreenRect(main).right - ScreenRect(main).left);
    EXPECT_EQ(height, ScreenRect(main).bottom - ScreenRect(main).top);
    EXPECT_EQ(list0.right - list0.left, ScreenRect(list).right - ScreenRect(list).left);
    EXPECT_EQ(path0, pathWidth());

    ::PostMessageW(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(Eventually([&] { return ::IsZoomed(main) != FALSE; }));
    window.Settle(list);
    EXPECT_GT(ScreenRect(list).right - ScreenRect(list).left, list0.right - list0.left);
    ::PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(Eventually([&] { return ::IsZoomed(main) == FALSE; }));
    window.Settle(list);
    EXPECT_EQ(list0.right - list0.left, ScreenRect(list).right - ScreenRect(list).left);
    EXPECT_TRUE(window.IsOpen());
}

// Moved to a monitor of another scale, the window draws and places everything for its DPI, and
// back again as it was.
TEST_F(MainWindowTest, TheWindowFollowsAMoveToAMonitorOfAnotherScale) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const HWND main = window.window();
    CAutoRunPage& page = window.dialog().page(kLogonTab);
    const auto measures = [&] {
        const RECT frame = ScreenRect(main);
        const RECT refresh = ScreenRect(::GetDlgItem(main, IDC_REFRESH));
        int tabIcon = 0;
        int rowIcon = 0;
        int unused = 0;
        ::ImageList_GetIconSize(
            reinterpret_cast<HIMAGELIST>(::SendMessageW(window.dialog().tabControl(), TCM_GETIMAGELIST, 0, 0)),
            &tabIcon, &unused);
        ::ImageList_GetIconSize(page.imageList(), &rowIcon, &unused);
        LOGFONTW font = {};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendDlgItemMessageW(main, IDC_DETAIL_NAME, WM_GETFONT, 0, 0)),
                     sizeof font, &font);
        MINMAXINFO limits = {};
        ::SendMessageW(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        return std::vector<int>{frame.right - frame.left,
                                refresh.right - refresh.left,
                                refresh.bottom - refresh.top,
                                tabIcon,
                                rowIcon,
                                static_cast<int>(::SendMessageW(page.listView(), LVM_GETCOLUMNWIDTH, 0, 0)),
                                std::abs(font.lfHeight),
                                limits.ptMinTrackSize.x};
    };
    const std::vector<int> at96 = measures();
    UINT dpi = 96;
    for (const UINT to : {192u, 96u}) {
        const RECT frame = ScreenRect(main);
        RECT suggested = {frame.left, frame.top,
                          frame.left + ::MulDiv(frame.right - frame.left, static_cast<int>(to), static_cast<int>(dpi)),
                          frame.top + ::MulDiv(frame.bottom - frame.top, static_cast<int>(to), static_cast<int>(dpi))};
        ::SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
        window.Settle(page.listView());
        dpi = to;
        const std::vector<int> now = measures();
        for (std::size_t i = 0; i < now.size(); ++i) {
            EXPECT_NEAR(::MulDiv(at96[i], static_cast<int>(to), 96), now[i], 2) << "measure " << i << " at " << to;
        }
        // The list starts below the tab rows and the filter box, and ends inside the tab strip.
        RECT lastTab = {};
        ::SendMessageW(window.dialog().tabControl(), TCM_GETITEMRECT, kCategoryCount - 1,
                       reinterpret_cast<LPARAM>(&lastTab));
        ::MapWindowPoints(window.dialog().tabControl(), nullptr, reinterpret_cast<POINT*>(&lastTab), 2);
        EXPECT_GT(ScreenRect(page.filterBox()).top, lastTab.bottom - 1);
        EXPECT_GE(ScreenRect(page.listView()).top, ScreenRect(page.filterBox()).bottom);
        EXPECT_LE(ScreenRect(page.listView()).bottom, ScreenRect(window.dialog().tabControl()).bottom);
    }
}

// While a scan runs the details panel says how far it has come; the words go when it ends.
TEST_F(MainWindowTest, TheScanShowsItsProgress) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    {
        test::ScanGate gate(kServices);
        window.ClickButton(IDC_REFRESH);
        ASSERT_TRUE(gate.WaitReached());
        EXPECT_TRUE(Eventually([&] {
            return window.Text(IDC_DETAIL_NAME) == L"正在扫描…" &&
                   window.Text(IDC_DETAIL_LOCATION).find(L"类，已找到 ") != std::wstring::npos;
        }));
    }
    ASSERT_TRUE(window.WaitForScans(2));
    EXPECT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) != L"正在扫描…"; }));
}

TEST_F(MainWindowTest, RefreshDisablesTheButtonForTheWholeScanAndStartsIconsAgain) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    EXPECT_TRUE(window.IsEnabled(IDC_REFRESH));
    const int rows = window.RowCount(kLogonTab);
    window.ClickButton(IDC_REFRESH);
    EXPECT_TRUE(Eventually([&] { return !window.IsEnabled(IDC_REFRESH) || Scan().completedScans.load() >= 2; }));
    ASSERT_TRUE(window.WaitForScans(2));
    EXPECT_TRUE(window.IsEnabled(IDC_REFRESH));
    EXPECT_EQ(rows, window.RowCount(kLogonTab));  // no row of the old scan is left
    for (int row = 0; row < rows; ++row) {
        EXPECT_EQ(row, window.RowImage(kLogonTab, row));
    }
    EXPECT_EQ(rows, ::ImageList_GetImageCount(window.dialog().page(kLogonTab).imageList()));
    ExpectRowsShowEntries(window, kLogonTab);
}

TEST_F(MainWindowTest, AClickBeforeThePageHasFilledShowsNothing) {
    std::wstring many;
    for (int i = 0; i < 40; ++i) {
        many += scratch.AddFile(L"many" + std::to_wstring(i) + L".dll") + L",";
    }
    seed.SetString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", many);
    MainWindow window;
    window.ClickTab(kAppInitTab);
    ASSERT_TRUE(Eventually([&] { return window.RowCount(kAppInitTab) >= 1; }, 60000));
    ASSERT_LT(window.RowCount(kAppInitTab), 40) << "the page filled too fast to click in between";
    window.ClickRow(kAppInitTab, 0);
    // No entry: the panel still tells the scan's progress.
    EXPECT_NE(L"AppInit_DLLs", window.Text(IDC_DETAIL_NAME));
    EXPECT_EQ(L"", window.Text(IDC_DETAIL_COMPANY));
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickRow(kAppInitTab, 0);
    EXPECT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == L"AppInit_DLLs"; }));
}

TEST_F(MainWindowTest, ClosingDuringAScanEndsEveryThreadWithinTheBound) {
    std::wstring many;
    for (int i = 0; i < 150; ++i) {
        many += scratch.AddFile(L"slow" + std::to_wstring(i) + L".dll") + L",";
    }
    seed.SetString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", many);
    MainWindow window;
    ASSERT_TRUE(Eventually([&] { return window.RowCount(kAppInitTab) >= 1; }, 60000));
    ASSERT_LT(window.RowCount(kAppInitTab), 150);
    // The thread table as it is while the scan runs.
    std::vector<HANDLE> threads;
    auto keep = [&](const unique_handle& thread) {
        HANDLE copy = nullptr;
        if (thread && ::DuplicateHandle(::GetCurrentProcess(), thread.get(), ::GetCurrentProcess(), &copy, SYNCHRONIZE,
                                        FALSE, 0)) {
            threads.push_back(copy);
        }
    };
    keep(Scan().coordinatorThread);
    for (const PageScanLink& page : Scan().pages) {
        keep(page.fillThread);
    }
    ASSERT_GE(threads.size(), 2u);
    const DWORD bound = 80 * static_cast<DWORD>(kCategoryCount + 1);
    // Measured from the close box to the last scanning thread's end; hiding the window is not part
    // of it (Wine without a window manager waits 2 s there).
    const ULONGLONG start = ::GetTickCount64();
    ::PostMessageW(window.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WAIT_OBJECT_0,
              ::WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, bound + 1000))
        << "a scanning thread outlived the close";
    EXPECT_LE(::GetTickCount64() - start, bound + 1000);
    EXPECT_LE(window.Close(), 5000u) << "the window did not close";
    for (HANDLE thread : threads) {
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 0)) << "a scanning thread outlived the window";
        ::CloseHandle(thread);
    }
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// A Run value whose name holds a NUL, written through the native API and removed again.
class HiddenRunValue {
public:
    HiddenRunValue(const std::wstring& name, const std::wstring& data) : name_(name) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kRun.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        EXPECT_EQ(ERROR_SUCCESS, NativeSetValue(key_, name.data(), static_cast<DWORD>(name.size()), REG_SZ,
                                                reinterpret_cast<const BYTE*>(data.c_str()),
                                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
    }
    ~HiddenRunValue() {
        NativeDeleteValue(key_, name_.data(), static_cast<DWORD>(name_.size()));
        ::RegCloseKey(key_);
    }
    HiddenRunValue(const HiddenRunValue&) = delete;
    HiddenRunValue& operator=(const HiddenRunValue&) = delete;

private:
    std::wstring name_;
    HKEY key_ = nullptr;
};

TEST_F(MainWindowTest, ANameThatHidesBehindANulIsShownWholeMarkedAndRed) {
    using namespace std::string_literals;
    const HiddenRunValue hidden(L"Updater\0hidden"s, plainApp);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const int row = RowNamed(kLogonTab, L"Updater\0hidden"s);
    ASSERT_GE(row, 0);
    EXPECT_EQ(L"Updater\\0hidden [名称含空字符]", window.Row(kLogonTab, row)[0]);
    EXPECT_EQ(0x0000D0u, window.CellColour(kLogonTab, row, 2));
    window.ClickRow(kLogonTab, row);
    EXPECT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == L"Updater\\0hidden [名称含空字符]"; }));
}

// A command or a name longer than the details pane shows as much as fits, ending in "…", with
// the whole text as the tip.
TEST_F(MainWindowTest, ALongCommandShowsAsMuchAsFitsAndTheWholeTextAsItsTip) {
    const std::wstring command =
        L"\"" + plainApp + L"\" " + std::wstring(40, L'x') + L" /with-a-long-tail " + std::wstring(200, L'y');
    const std::wstring name = L"Long Command Tool " + std::wstring(120, L'n');
    const HiddenRunValue value(name, command);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const int row = RowNamed(kLogonTab, name);
    ASSERT_GE(row, 0);
    window.ClickRow(kLogonTab, row);
    ASSERT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME).rfind(L"Long Command Tool", 0) == 0; }));
    for (const auto& [id, whole] : {std::pair{IDC_DETAIL_COMMAND, command}, std::pair{IDC_DETAIL_NAME, name}}) {
        const std::wstring shown = window.Text(id);
        ASSERT_GT(shown.size(), 10u);
        EXPECT_EQ(L'…', shown.back());
        EXPECT_EQ(0u, whole.find(shown.substr(0, shown.size() - 1)));
        EXPECT_EQ(whole, window.WholeText(id));
    }
}

// A name that reads other than it is shows what it is, marked and red; the switches move exactly
// that value.
TEST_F(MainWindowTest, ANameThatReadsOtherThanItIsShowsWhatItIsAndSwitchesExactly) {
    const std::wstring store = kRun + L"\\TarnAutoRunDisable";
    const std::pair<std::wstring, std::wstring> names[] = {
        {L"RTL \u202Eexe.tset", L"RTL \\u202Eexe.tset [含方向控制字符]"},
        {L"Bell\a name", L"Bell\\u0007 name [含控制字符]"},
    };
    for (const auto& [name, shown] : names) {
        SCOPED_TRACE(test::Printable(name));
        const HiddenRunValue value(name, plainApp);
        const struct StoreCleaner {
            std::wstring path, name;
            ~StoreCleaner() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str()); }
        } cleaner{store, name};
        MainWindow window;
        ASSERT_TRUE(window.WaitForScans(1));
        const int row = RowNamed(kLogonTab, name);
        ASSERT_GE(row, 0);
        EXPECT_EQ(shown, window.Row(kLogonTab, row)[0]);
        EXPECT_EQ(0x0000D0u, window.CellColour(kLogonTab, row, 2));
        window.ClickRow(kLogonTab, row);
        EXPECT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == shown; }));
        const auto before = test::ReadRaw(HKEY_CURRENT_USER, kRun, name);
        ASSERT_TRUE(before.has_value());
        window.OpenMenu(kLogonTab, row);
        window.ChooseMenuItem(ID_DISABLE_ENTRY);
        EXPECT_TRUE(Eventually([&] { return window.Row(kLogonTab, row)[1] == L"已禁用"; }));
        EXPECT_EQ(before, test::ReadRaw(HKEY_CURRENT_USER, store, name));
        EXPECT_FALSE(test::ValueExists(HKEY_CURRENT_USER, kRun, name));
        window.OpenMenu(kLogonTab, row);
        window.ChooseMenuItem(ID_ENABLE_ENTRY);
        EXPECT_TRUE(Eventually([&] { return window.Row(kLogonTab, row)[1] == L"已启用"; }));
        EXPECT_EQ(before, test::ReadRaw(HKEY_CURRENT_USER, kRun, name));
    }
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// The hijack page's key refuses to be read, as it does a user without the rights.
LSTATUS WINAPI RefusingHijacks(HKEY parent, LPCWSTR subKey, DWORD options, REGSAM rights, PHKEY result) {
    const std::wstring text = subKey != nullptr ? subKey : L"";
    if (text.size() >= test::paths::kOptions.size() &&
        EqualsNoCaseAscii(text.substr(text.size() - test::paths::kOptions.size()), test::paths::kOptions)) {
        return ERROR_ACCESS_DENIED;
    }
    return RealRegistryApi().openKeyEx(parent, subKey, options, rights, result);
}

TEST(MainWindowUnreadable, APlaceTheScanCouldNotReadIsShownWithItsTab) {
    RegistryApi api = RealRegistryApi();
    api.openKeyEx = RefusingHijacks;
    const ScopedRegistryApi refusing(api);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    EXPECT_FALSE(window.dialog().page(kHijacksTab).unreadable().empty());
    EXPECT_TRUE(window.dialog().page(kLogonTab).unreadable().empty());
    window.ClickTab(kHijacksTab);
    ASSERT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME).rfind(L"无法读取", 0) == 0; }));
    EXPECT_NE(std::wstring::npos, window.Text(IDC_DETAIL_COMMAND).find(L"!! 无法读取"));
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// A task of the newer scheduler switched off and on from its menu, by a scheduler that keeps a
// definition registered over a task as given (Wine's keeps no program of it, so the switch there is
// refused with the task unchanged, as the fault injection checks).
TEST(MainWindowTasks, ATaskOfTheNewerSchedulerSwitchesOffAndOnThroughItsDefinition) {
    const test::ScopedStandInScheduler scheduler(test::StandInScheduler::TakesTheDefinition);
    test::ScratchFolder scratch;
    const std::wstring app = scratch.AddFile(L"switched.exe");
    const std::wstring top = L"\\TarnSwitch" + std::to_wstring(::GetCurrentProcessId());
    const test::TaskDefinitionFiles files(top);
    const std::wstring task = files.Add(
        L"\\Switched", test::TaskXml(L"Tarn", L"", L"<LogonTrigger/>", true, false,
                                     L"<Exec><Command>" + app + L"</Command><Arguments>-x</Arguments></Exec>"));
    const std::wstring file = test::TaskDefinitionFiles::FileOf(task);
    const auto text = [&] {
        std::ifstream in(file.c_str(), std::ios::binary);
        return TaskFileText(std::string(std::istreambuf_iterator<char>(in), {}));
    };
    const std::wstring original = text();
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(kTasksTab);
    const auto rowOf = [&] {
        const auto& entries = window.Entries(kTasksTab);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i]->name == task) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    const int row = rowOf();
    ASSERT_GE(row, 0);
    for (const bool on : {false, true}) {
        window.OpenMenu(kTasksTab, row);
        window.ChooseMenuItem(on ? ID_ENABLE_ENTRY : ID_DISABLE_ENTRY);
        window.Settle(window.dialog().page(kTasksTab).listView());
        EXPECT_FALSE(window.BoxIsOpen()) << "the switch failed";
        EXPECT_EQ(on ? L"已启用" : L"已禁用", window.Row(kTasksTab, row)[1]);
        EXPECT_EQ(on, ParseTaskXml(text()).value().enabled.value_or(true));
        EXPECT_EQ(WithoutEnabledFlag(original), WithoutEnabledFlag(text()));
    }
}

}  // namespace
}  // namespace tarn
