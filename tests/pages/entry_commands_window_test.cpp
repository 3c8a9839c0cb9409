// Every row's context menu as a user meets it: the real menu opened with a right click, its
// items read from the menu itself, commands chosen with a click, the program's boxes answered
// with a button; the machine checked afterwards.
#include "app/enumerators.h"
#include "app/scan_coordinator.h"
#include "base/key_text.h"
#include "pages/category_table.h"
#include "pages/entry_filter.h"
#include "resource_ids.h"

#include "pages/availability_table.h"
#include "support/fault_injector.h"
#include "support/main_window.h"
#include "support/registry_sandbox.h"
#include "support/scan_gate.h"
#include "support/seeded_machine.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::Eventually;
using test::MainWindow;
using test::SeededMachine;

const std::wstring kPrintStore = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\TarnAutoRunDisable";

int32_t StateOf(const std::wstring& variant) {
    return variant == L"On" ? EntryEnabled : variant == L"Off" ? EntryDisabled : EntryFileMissing;
}

// A list item whose file was gone when it was read is known by its text.
std::wstring FileOrCommand(const AutoRunEntry& entry) {
    return entry.imagePath.empty() ? entry.commandLine : entry.imagePath;
}

// The row of a page that shows the seeded registration of a variant; -1 when there is none.
int FindRow(const SeededMachine& machine, std::size_t tab, const std::wstring& variant) {
    const auto& entries = test::ShownEntries(tab);
    const std::wstring stem = LowerAscii(L"TarnCmd" + std::to_wstring(tab) + variant + machine.tag());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool named = entries[i]->name == machine.Name(tab, variant);
        const bool itsFile = !SeededMachine::IsListTab(tab) || LowerAscii(FileOrCommand(*entries[i])).find(stem) != std::wstring::npos;
        if (named && itsFile) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The state a fresh scan of one category gives the registration; 0 when it is not listed.
int32_t StateOnTheMachine(const SeededMachine& machine, std::size_t tab, const std::wstring& variant) {
    EnumeratorSet fresh = CreateEnumerators();
    fresh[tab]->Enumerate();
    const std::wstring stem = LowerAscii(L"TarnCmd" + std::to_wstring(tab) + variant + machine.tag());
    for (const auto& entry : fresh[tab]->results().entries) {
        if (entry->name == machine.Name(tab, variant) &&
            (!SeededMachine::IsListTab(tab) || LowerAscii(FileOrCommand(*entry)).find(stem) != std::wstring::npos)) {
            return entry->state;
        }
    }
    return 0;
}

std::string Items(const std::vector<bool>& available) {
    std::string items;
    for (const bool on : available) {
        items.push_back(on ? '1' : '0');
    }
    return items;
}

class EntryCommandsTest : public ::testing::Test {
protected:
    SeededMachine machine;
};

TEST_F(EntryCommandsTest, EveryCellOfTheMenuTableAsTheRealMenuShowsIt) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    {
        // The ghosts' files go while the scan is between enumeration and fill. The walk of the
        // live monitors opens the store key once as one of its subkeys; the store's own pass is
        // the second open, after every live monitor has been read.
        test::ScanGate gate(kPrintStore, 2);
        window.ClickButton(IDC_REFRESH);
        ASSERT_TRUE(gate.WaitReached());
        machine.RemoveGhostFiles();
    }
    ASSERT_TRUE(window.WaitForScans(2));
    int cells = 0;
    for (std::size_t tab = 0; tab < kCategoryCount; ++tab) {
        window.ClickTab(tab);
        for (const wchar_t* variant : {L"On", L"Off", L"Ghost"}) {
            if (!SeededMachine::Has(tab, variant)) {
                continue;
            }
            const int row = FindRow(machine, tab, variant);
            ASSERT_GE(row, 0) << "tab " << tab << " " << std::string(variant, variant + std::wcslen(variant));
            const int32_t state = test::ShownEntries(tab)[static_cast<std::size_t>(row)]->state;
            ASSERT_EQ(StateOf(variant), state) << "tab " << tab;
            const auto available = window.OpenMenu(tab, row);
            ASSERT_EQ(6u, available.size()) << "no menu on tab " << tab;
            EXPECT_EQ(test::ExpectedItems(static_cast<int32_t>(tab + 1), state), Items(available))
                << "category " << tab + 1 << " state " << state;
            window.CloseMenu();
            ++cells;
        }
    }
    // Every cell of the seeded tabs but six: a network provider and a shortcut cannot be switched
    // off, and the categories read after the gate do not list a registration whose file went.
    EXPECT_EQ(45, cells);
}

TEST_F(EntryCommandsTest, NoMenuBesideTheRowsAndNoneBeforeThePageHasFilled) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const HWND list = window.dialog().page(0).listView();
    RECT client = {};
    ::GetClientRect(list, &client);
    window.ClickRow(0, 0);
    ::PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, client.bottom - 30));
    ::PostMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(20, client.bottom - 30));
    window.Settle(list);
    EXPECT_FALSE(window.MenuIsOpen());
}

// Switch off, switch on and delete on every page that handles them, with the boxes answered as a
// user would: the row, the entry and the machine afterwards.
TEST_F(EntryCommandsTest, SwitchingOffOnAndDeletingOnEveryPage) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    for (std::size_t tab = 0; tab < kCategoryCount; ++tab) {
        if (tab == 11 || !SeededMachine::Has(tab, L"On")) {
            continue;  // the network-provider page changes nothing (below); WMI has no seed here
        }
        SCOPED_TRACE("tab " + std::to_string(tab));
        window.ClickTab(tab);
        int row = FindRow(machine, tab, L"On");
        ASSERT_GE(row, 0);
        const bool switches = tab != 10 && tab != 13;
        if (switches) {
            window.OpenMenu(tab, row);
            window.ChooseMenuItem(ID_DISABLE_ENTRY);
            EXPECT_TRUE(Eventually([&] { return window.Row(tab, row)[1] == L"已禁用"; }));
            EXPECT_EQ(EntryDisabled, StateOnTheMachine(machine, tab, L"On"));
            window.OpenMenu(tab, row);
            window.ChooseMenuItem(ID_ENABLE_ENTRY);
            EXPECT_TRUE(Eventually([&] { return window.Row(tab, row)[1] == L"已启用"; }));
            EXPECT_EQ(EntryEnabled, StateOnTheMachine(machine, tab, L"On"));
        }
        // Delete, first answering No, then Yes.
        const int rows = window.RowCount(tab);
        const std::wstring question =
            tab == 3 ? L"删除该计划任务将无法恢复,确定要删除吗?" : L"删除该项将无法恢复,确定要删除吗?";
        window.OpenMenu(tab, row);
        window.ChooseMenuItem(ID_DELETE_ENTRY);
        auto box = window.WaitForBox();
        ASSERT_NE(nullptr, box.window);
        EXPECT_EQ(question, box.text);
        EXPECT_EQ(L"删除确认", box.caption);
        EXPECT_EQ(window.window(), box.owner);
        window.Answer(box, IDNO);
        EXPECT_EQ(rows, window.RowCount(tab));
        EXPECT_EQ(EntryEnabled, StateOnTheMachine(machine, tab, L"On"));

        window.OpenMenu(tab, row);
        window.ChooseMenuItem(ID_DELETE_ENTRY);
        window.Answer(window.WaitForBox(), IDYES);
        // Pages whose table says so confirm the deletion.
        const bool confirms = tab == 2 || tab == 9;
        if (confirms) {
            box = window.WaitForBox();
            EXPECT_EQ(L"删除成功!", box.text);
            EXPECT_EQ(L"成功", box.caption);
            window.Answer(box, IDOK);
        }
        EXPECT_TRUE(Eventually([&] { return window.RowCount(tab) == rows - 1; }));
        EXPECT_FALSE(window.BoxIsOpen());
        EXPECT_EQ(0, StateOnTheMachine(machine, tab, L"On"));
        EXPECT_EQ(-1, FindRow(machine, tab, L"On"));
        EXPECT_EQ(static_cast<std::size_t>(rows - 1), test::ShownEntries(tab).size());
    }
}

// Windows' own startup switch: an entry it turned off shows so, and "启用该项" turns that switch
// on; one also in the store comes back still off by Windows, and the user is told.
TEST_F(EntryCommandsTest, AnEntryWindowsSwitchedOffIsTurnedBackOnByWindowsOwnSwitch) {
    const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::wstring list = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    const std::vector<BYTE> off = {3, 0, 0, 0, 0x80, 0x7A, 0x53, 0x57, 0xB2, 0x87, 0xDD, 0x01};
    const std::wstring live = L"TarnWindowsOff" + machine.tag();
    const std::wstring stored = L"TarnBothOff" + machine.tag();
    const test::ScratchFolder files;
    const std::wstring app = files.AddFile(L"app.exe");
    machine.seed().SetString(HKEY_CURRENT_USER, run, live, app);
    machine.seed().SetString(HKEY_CURRENT_USER, run + L"\\TarnAutoRunDisable", stored, app);
    for (const std::wstring& name : {live, stored}) {
        machine.seed().SetBinary(HKEY_CURRENT_USER, list, name, off);
    }
    // The stored one comes back live, where the seed did not write it.
    const struct LiveCopyRemover {
        std::wstring path, name;
        ~LiveCopyRemover() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str()); }
    } remover{run, stored};
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    auto rowOf = [&](const std::wstring& name) {
        const auto& entries = test::ShownEntries(0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i]->name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    auto switchValue = [&](const std::wstring& name) {
        return test::ReadRaw(HKEY_CURRENT_USER, list, name).value_or(test::RawValue{}).bytes;
    };
    const std::vector<BYTE> on = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    window.ClickTab(0);
    const int row = rowOf(live);
    ASSERT_GE(row, 0);
    EXPECT_EQ(L"系统禁用", window.Row(0, row)[1]);
    EXPECT_EQ("101111", Items(window.OpenMenu(0, row)));
    window.ChooseMenuItem(ID_ENABLE_ENTRY);
    EXPECT_TRUE(Eventually([&] { return window.Row(0, row)[1] == L"已启用"; }));
    EXPECT_EQ(on, switchValue(live));
    EXPECT_TRUE(test::ValueExists(HKEY_CURRENT_USER, run, live));

    const int storedRow = rowOf(stored);
    ASSERT_GE(storedRow, 0);
    EXPECT_EQ(L"已禁用", window.Row(0, storedRow)[1]);
    window.OpenMenu(0, storedRow);
    window.ChooseMenuItem(ID_ENABLE_ENTRY);
    const auto box = window.WaitForBox();
    EXPECT_NE(std::wstring::npos, box.text.find(L"Windows 的启动设置仍禁用了它"));
    window.Answer(box, IDOK);
    EXPECT_EQ(L"系统禁用", window.Row(0, storedRow)[1]);
    EXPECT_TRUE(test::ValueExists(HKEY_CURRENT_USER, run, stored));
    EXPECT_EQ(off, switchValue(stored));
    window.OpenMenu(0, storedRow);
    window.ChooseMenuItem(ID_ENABLE_ENTRY);
    EXPECT_TRUE(Eventually([&] { return window.Row(0, storedRow)[1] == L"已启用"; }));
    EXPECT_EQ(on, switchValue(stored));
}

// Every command at hand from the keyboard: the arrow keys move the selection and the details with
// it, the menu key (WM_CONTEXTMENU from the keyboard) opens the row's menu, Delete asks, F5
// refreshes as the button does and does nothing while it is greyed.
TEST_F(EntryCommandsTest, EveryCommandIsAtHandFromTheKeyboard) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(0);
    const HWND list = window.dialog().page(0).listView();
    const int row = FindRow(machine, 0, L"On");
    ASSERT_GT(row, 0);
    window.ClickRow(0, row - 1);
    ::PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
    ::PostMessageW(list, WM_KEYUP, VK_DOWN, 1);
    EXPECT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == machine.Name(0, L"On"); }));

    EXPECT_EQ(test::ExpectedItems(1, EntryEnabled), Items(window.OpenMenuFromKeyboard(0)));
    window.CloseMenu();

    ::PostMessageW(list, WM_KEYDOWN, VK_DELETE, 1);
    auto box = window.WaitForBox();
    EXPECT_EQ(L"删除该项将无法恢复,确定要删除吗?", box.text);
    window.Answer(box, IDNO);
    EXPECT_EQ(EntryEnabled, StateOnTheMachine(machine, 0, L"On"));

    // Twice at once: the second finds the button greyed by the first.
    ::PostMessageW(list, WM_KEYDOWN, VK_F5, 1);
    ::PostMessageW(list, WM_KEYDOWN, VK_F5, 1);
    ASSERT_TRUE(window.WaitForScans(2));
    window.Settle(list);
    EXPECT_EQ(2, Scan().completedScans.load());
}

TEST_F(EntryCommandsTest, TheNetworkProviderPageChangesNothing) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(11);
    const int row = FindRow(machine, 11, L"On");
    ASSERT_GE(row, 0);
    const auto available = window.OpenMenu(11, row);
    EXPECT_EQ("000111", Items(available));
    window.ClickMenuItem(ID_DELETE_ENTRY);  // a greyed item does nothing
    window.Settle(window.dialog().page(11).listView());
    EXPECT_TRUE(window.MenuIsOpen());
    window.CloseMenu();
    EXPECT_FALSE(window.BoxIsOpen());
    EXPECT_EQ(EntryEnabled, StateOnTheMachine(machine, 11, L"On"));
}

TEST_F(EntryCommandsTest, AFailedSwitchShowsItsBoxAndLeavesRowEntryAndMachineAlone) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(4);
    const int row = FindRow(machine, 4, L"On");
    ASSERT_GE(row, 0);
    window.OpenMenu(4, row);
    MainWindow::Box box;
    {
        // The registry refuses every call, as it does a user without the rights.
        test::FaultInjection refusing(1, true, ERROR_ACCESS_DENIED);
        window.ChooseMenuItem(ID_DISABLE_ENTRY);
        box = window.WaitForBox();
    }
    EXPECT_EQ(L"禁用失败,没有足够的操作权限!", box.text);
    EXPECT_EQ(L"禁用失败", box.caption);
    window.Answer(box, IDOK);
    EXPECT_EQ(L"已启用", window.Row(4, row)[1]);
    EXPECT_EQ(EntryEnabled, test::ShownEntries(4)[static_cast<std::size_t>(row)]->state);
    EXPECT_EQ(EntryEnabled, StateOnTheMachine(machine, 4, L"On"));
}

TEST_F(EntryCommandsTest, TheLogonPageLeavesAKeyKindEntryAlone) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(0);
    const int row = FindRow(machine, 0, L"On");
    ASSERT_GE(row, 0);
    // A record of key kind on this page: the page table gives the logon page no key operation.
    // The page's list is the window's; the window's thread is idle meanwhile.
    const_cast<AutoRunEntry&>(*test::ShownEntries(0)[static_cast<std::size_t>(row)]).entryKind = KindKey;
    const int rows = window.RowCount(0);
    for (const int command : {ID_DISABLE_ENTRY, ID_DELETE_ENTRY}) {
        window.OpenMenu(0, row);
        window.ChooseMenuItem(command);
        window.Settle(window.dialog().page(0).listView());
        EXPECT_FALSE(window.BoxIsOpen()) << command;
    }
    EXPECT_EQ(rows, window.RowCount(0));
    EXPECT_EQ(L"已启用", window.Row(0, row)[1]);
    EXPECT_EQ(EntryEnabled, StateOnTheMachine(machine, 0, L"On"));
}

TEST_F(EntryCommandsTest, DeletingTheMiddleOfThreeRowsKeepsTheOthersAndTheirEntries) {
    const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (const wchar_t* name : {L"TarnMid A", L"TarnMid B", L"TarnMid C"}) {
        machine.seed().SetString(HKEY_LOCAL_MACHINE, run, name + machine.tag(),
                                 machine.File(L"TarnCmd0On" + machine.tag() + L".exe"));
    }
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    auto rowOf = [&](const std::wstring& name) {
        const auto& entries = test::ShownEntries(0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i]->name == name + machine.tag()) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    const int a = rowOf(L"TarnMid A");
    const int b = rowOf(L"TarnMid B");
    const int c = rowOf(L"TarnMid C");
    ASSERT_TRUE(a >= 0 && b == a + 1 && c == b + 1);
    const auto rowA = window.Row(0, a);
    const auto rowC = window.Row(0, c);
    const int imageA = window.RowImage(0, a);
    const int imageC = window.RowImage(0, c);

    window.OpenMenu(0, b);
    window.ChooseMenuItem(ID_DELETE_ENTRY);
    window.Answer(window.WaitForBox(), IDYES);
    ASSERT_TRUE(Eventually([&] { return rowOf(L"TarnMid B") == -1; }));
    EXPECT_EQ(rowA, window.Row(0, a));
    EXPECT_EQ(rowC, window.Row(0, b));  // the former third row moved up with its entry
    EXPECT_EQ(imageA, window.RowImage(0, a));
    EXPECT_EQ(imageC, window.RowImage(0, b));

    window.OpenMenu(0, b);
    window.ChooseMenuItem(ID_DISABLE_ENTRY);
    EXPECT_TRUE(Eventually([&] { return window.Row(0, b)[1] == L"已禁用"; }));
    EXPECT_EQ(L"已启用", window.Row(0, a)[1]);
    EXPECT_TRUE(test::ValueExists(HKEY_LOCAL_MACHINE, run + L"\\TarnAutoRunDisable", L"TarnMid C" + machine.tag()));
    EXPECT_TRUE(test::ValueExists(HKEY_LOCAL_MACHINE, run, L"TarnMid A" + machine.tag()));
    EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, run, L"TarnMid B" + machine.tag()));
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

std::wstring ClipboardText() {
    std::wstring text;
    if (::OpenClipboard(nullptr)) {
        if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
                text = chars;
                ::GlobalUnlock(data);
            }
        }
        ::CloseClipboard();
    }
    return text;
}

std::vector<std::wstring> ColumnTexts(const MainWindow& window, std::size_t tab, int column) {
    std::vector<std::wstring> texts;
    for (int row = 0; row < window.RowCount(tab); ++row) {
        texts.push_back(window.Row(tab, row)[static_cast<std::size_t>(column)]);
    }
    return texts;
}

int ShownRow(const MainWindow& window, std::size_t tab, const std::wstring& name) {
    for (int row = 0; row < window.RowCount(tab); ++row) {
        if (window.Row(tab, row)[0] == name) {
            return row;
        }
    }
    return -1;
}

// A header click sorts by the column, a second reverses, a third gives back the scan's order; a
// command on a sorted row acts on the entry the row shows. Esc and Enter close nothing; Enter
// shows the row's details; "复制" copies the row's texts under the columns' captions.
TEST_F(EntryCommandsTest, SortedRowsKeepTheirEntriesAndTheKeysCloseNothing) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(0);
    const HWND list = window.dialog().page(0).listView();
    const auto scanOrder = ColumnTexts(window, 0, 0);
    ASSERT_GT(scanOrder.size(), 2u);
    const auto byName = [](const std::wstring& a, const std::wstring& b) {
        return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - CSTR_EQUAL;
    };
    window.ClickHeader(0, 0);
    auto up = ColumnTexts(window, 0, 0);
    EXPECT_TRUE(std::is_sorted(up.begin(), up.end(), [&](auto& a, auto& b) { return byName(a, b) < 0; }));
    window.ClickHeader(0, 0);
    auto down = ColumnTexts(window, 0, 0);
    EXPECT_TRUE(std::is_sorted(down.begin(), down.end(), [&](auto& a, auto& b) { return byName(a, b) > 0; }));
    window.ClickHeader(0, 0);
    EXPECT_EQ(scanOrder, ColumnTexts(window, 0, 0));

    window.ClickHeader(0, 0);
    const std::wstring name = machine.Name(0, L"On");
    const int row = ShownRow(window, 0, name);
    ASSERT_GE(row, 0);
    window.OpenMenu(0, row);
    window.ChooseMenuItem(ID_DISABLE_ENTRY);
    EXPECT_EQ(EntryDisabled, StateOnTheMachine(machine, 0, L"On"));
    EXPECT_EQ(L"已禁用", window.Row(0, row)[1]);
    EXPECT_EQ(name, window.Text(IDC_DETAIL_NAME));

    window.OpenMenu(0, row);
    window.ChooseMenuItem(ID_COPY_ENTRY);
    const auto cells = window.Row(0, row);
    std::wstring shown;
    for (const std::wstring& cell : cells) {
        shown += (shown.empty() ? L"" : L"\t") + cell;
    }
    EXPECT_EQ(L"程序名\t启动状态\t数字签名\t描述信息\t映像路径\t厂商信息\r\n" + shown + L"\r\n", ClipboardText());

    // Another tab's details go; coming back shows the row again; so does Enter.
    window.ClickTab(1);
    EXPECT_EQ(L"", window.Text(IDC_DETAIL_NAME));
    window.ClickTab(0);
    EXPECT_EQ(name, window.Text(IDC_DETAIL_NAME));
    ::SetDlgItemTextW(window.window(), IDC_DETAIL_NAME, L"");
    for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        ::PostMessageW(list, WM_KEYDOWN, key, 1);
        ::PostMessageW(list, WM_KEYUP, key, 1);
        window.Settle(list);
    }
    EXPECT_TRUE(window.IsOpen());
    EXPECT_TRUE(Eventually([&] { return window.Text(IDC_DETAIL_NAME) == name; }));

    // The keyboard reaches the list: Tab from the tab strip lands in the page shown.
    const HWND tabs = window.dialog().tabControl();
    window.ClickTab(0);
    ::PostMessageW(tabs, WM_KEYDOWN, VK_TAB, 1);
    ::PostMessageW(tabs, WM_KEYUP, VK_TAB, 1);
    window.Settle(tabs);
    GUITHREADINFO focus = {};
    focus.cbSize = sizeof focus;
    EXPECT_TRUE(Eventually([&] {
        return ::GetGUIThreadInfo(::GetWindowThreadProcessId(list, nullptr), &focus) && focus.hwndFocus == list;
    }));
}

// Holds Ctrl (and Shift) down for the window's thread, as a user's hand does for a posted key.
class HeldKeys {
public:
    HeldKeys(HWND window, std::initializer_list<int> keys)
        : thread_(::GetWindowThreadProcessId(window, nullptr)),
          attached_(::AttachThreadInput(::GetCurrentThreadId(), thread_, TRUE) != FALSE) {
        Set(keys, 0x80);
    }
    ~HeldKeys() {
        Set({VK_CONTROL, VK_SHIFT}, 0);
        if (attached_) {
            ::AttachThreadInput(::GetCurrentThreadId(), thread_, FALSE);
        }
    }

private:
    static void Set(std::initializer_list<int> keys, BYTE state) {
        BYTE all[256] = {};
        ::GetKeyboardState(all);
        for (const int key : keys) {
            all[key] = state;
        }
        ::SetKeyboardState(all);
    }
    DWORD thread_;
    bool attached_;
};

std::wstring TabCaption(const MainWindow& window, std::size_t tab) {
    wchar_t caption[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 64;
    ::SendMessageW(const_cast<MainWindow&>(window).dialog().tabControl(), TCM_GETITEMW, tab,
                   reinterpret_cast<LPARAM>(&item));
    return caption;
}

bool HasFocus(HWND control) {
    GUITHREADINFO focus = {};
    focus.cbSize = sizeof focus;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(control, nullptr), &focus) && focus.hwndFocus == control;
}

// Typing in the filter box keeps the matching rows of every tab and counts them in the captions;
// a command on a sorted, filtered row acts on its entry; Esc gives every row back. Ctrl+F goes to
// the box, Ctrl+Tab and Ctrl+Shift+Tab change the tab; a cut cell shows whole as its tip.
TEST_F(EntryCommandsTest, TheFilterKeepsMatchingRowsOnEveryTabAndTheKeysReachIt) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(0);
    CAutoRunPage& page = window.dialog().page(0);
    const HWND list = page.listView();
    window.ClickHeader(0, 0);
    {
        const HeldKeys control(window.window(), {VK_CONTROL});
        ::PostMessageW(list, WM_KEYDOWN, 'F', 1);
        window.Settle(list);
    }
    EXPECT_TRUE(Eventually([&] { return HasFocus(page.filterBox()); }));
    const std::wstring name = machine.Name(0, L"On");
    for (const wchar_t c : FoldCase(name)) {
        ::PostMessageW(page.filterBox(), WM_CHAR, c, 1);
    }
    window.Settle(page.filterBox());
    const auto matches = [&](std::size_t tab) {
        std::size_t count = 0;
        for (const auto& entry : window.Entries(tab)) {
            count += EntryMatches(*entry, FoldCase(name)) ? 1 : 0;
        }
        return count;
    };
    ASSERT_TRUE(Eventually([&] { return window.RowCount(0) == static_cast<int>(matches(0)); }));
    ASSERT_LT(window.RowCount(0), static_cast<int>(window.Entries(0).size()));
    for (std::size_t tab = 0; tab < kCategoryCount; ++tab) {
        EXPECT_EQ(CountedCaption(CategoryTable()[tab].caption, window.Entries(tab).size(), matches(tab), true),
                  TabCaption(window, tab));
    }
    const int row = ShownRow(window, 0, name);
    ASSERT_GE(row, 0);
    window.OpenMenu(0, row);
    window.ChooseMenuItem(ID_DISABLE_ENTRY);
    EXPECT_EQ(EntryDisabled, StateOnTheMachine(machine, 0, L"On"));
    EXPECT_EQ(name, window.Text(IDC_DETAIL_NAME));

    // Another tab shows its own matches.
    window.ClickTab(1);
    EXPECT_EQ(static_cast<int>(matches(1)), window.RowCount(1));
    EXPECT_EQ(FoldCase(name), window.dialog().page(1).FilterText());
    ::PostMessageW(window.dialog().page(1).filterBox(), WM_KEYDOWN, VK_ESCAPE, 1);
    window.Settle(window.dialog().page(1).filterBox());
    EXPECT_TRUE(Eventually([&] { return window.RowCount(1) == static_cast<int>(window.Entries(1).size()); }));
    EXPECT_EQ(CountedCaption(CategoryTable()[0].caption, window.Entries(0).size(), 0, false), TabCaption(window, 0));
    window.ClickTab(0);
    EXPECT_EQ(static_cast<int>(window.Entries(0).size()), window.RowCount(0));

    // Ctrl+Tab to the next tab and its list, Ctrl+Shift+Tab back.
    const HWND tabs = window.dialog().tabControl();
    for (const bool back : {false, true}) {
        const HeldKeys held(window.window(), back ? std::initializer_list<int>{VK_CONTROL, VK_SHIFT}
                                                  : std::initializer_list<int>{VK_CONTROL});
        ::PostMessageW(tabs, WM_KEYDOWN, VK_TAB, 1);
        window.Settle(tabs);
        const std::size_t shown = back ? 0 : 1;
        EXPECT_TRUE(Eventually([&] { return HasFocus(window.dialog().page(shown).listView()); }));
        EXPECT_EQ(static_cast<LRESULT>(shown), ::SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    }

    // A cell its column cuts shows whole as its tip; one that fits has none.
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, 24);
    RECT cell = {};
    cell.top = 0;
    cell.left = LVIR_LABEL;
    ::SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
    const auto tipAt = [&](POINT at) {
        ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        wchar_t tip[512] = {};
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = list;
        tool.uId = 1;
        tool.lpszText = tip;
        ::SendMessageW(page.cellTip(), TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
        return std::wstring(tip);
    };
    EXPECT_EQ(window.Row(0, 0)[0], tipAt({cell.left + 4, (cell.top + cell.bottom) / 2}));
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, 400);
    EXPECT_EQ(L"", tipAt({cell.left + 40, (cell.top + cell.bottom) / 2}));
}

}  // namespace
}  // namespace tarn
