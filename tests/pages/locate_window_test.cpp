// The three commands that leave the program, met as a user meets them: Wine's own registry
// editor walked to the entry (read back from the editor's windows), the shell's folder window and
// the file's property sheet.
#include "app/scan_coordinator.h"
#include "base/key_text.h"
#include "base/registry_view.h"
#include "pages/locate.h"
#include "resource_ids.h"

#include "support/main_window.h"
#include "support/registry_seed.h"
#include "support/remote_controls.h"
#include "support/scratch_folder.h"
#include "support/registry_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::Eventually;
using test::MainWindow;

constexpr wchar_t kEditor[] = L"RegEdit_RegEdit";
constexpr std::size_t kLogonTab = 0;
constexpr std::size_t kServicesTab = 4;

// Whether a path read from the editor's tree ends with the key, as the tree spells it.
bool EndsWithKey(const std::wstring& treePath, const std::wstring& key) {
    const std::wstring tail = L"\\" + key;
    return treePath.size() >= tail.size() && EqualsNoCaseAscii(treePath.substr(treePath.size() - tail.size()), tail);
}

int RowNamed(std::size_t tab, const std::wstring& name) {
    const auto& entries = test::ShownEntries(tab);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i]->name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// A control of the editor, wherever it sits below the main window.
HWND EditorChild(HWND editor, const wchar_t* className) {
    HWND found = nullptr;
    Eventually([&] {
        for (HWND frame = ::GetWindow(editor, GW_CHILD); frame != nullptr && found == nullptr;
             frame = ::GetWindow(frame, GW_HWNDNEXT)) {
            found = ::FindWindowExW(frame, nullptr, className, nullptr);
        }
        return (found = found != nullptr ? found : ::FindWindowExW(editor, nullptr, className, nullptr)) != nullptr;
    });
    return found;
}

// A window that was not among `before` and whose title holds `text`.
HWND NewWindowNaming(const std::vector<HWND>& before, const std::vector<HWND>& now, const std::wstring& text) {
    for (const HWND window : now) {
        if (std::find(before.begin(), before.end(), window) == before.end() &&
            test::TitleOf(window).find(text) != std::wstring::npos) {
            return window;
        }
    }
    return nullptr;
}

std::wstring LastComponent(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

class LocateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::CloseWindowsOfClass(kEditor)) << "a registry editor from before would not close";
        tag = std::to_wstring(::GetCurrentProcessId());
        app = folder.AddFile(L"TarnLocate" + tag + L".exe");
        // No spaces: Wine's list leaves them out of its type-ahead search.
        userValue = L"TarnLocateUser" + tag;
        service = L"TarnLocateSvc" + tag;
        seed.SetString(HKEY_CURRENT_USER, kRun, userValue, app);
        seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + service, L"ObjectName", L"LocalSystem");
        seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + service, L"ImagePath", app);
        seed.SetDword(HKEY_LOCAL_MACHINE, kServices + L"\\" + service, L"Start", 3);
    }
    void TearDown() override { EXPECT_TRUE(test::CloseWindowsOfClass(kEditor)); }

    // Locates the logon page's row of `name` in the registry editor: the editor's window, or null.
    static HWND Locate(MainWindow& window, const std::wstring& name) {
        const int row = RowNamed(kLogonTab, name);
        if (row < 0) {
            return nullptr;
        }
        window.ClickTab(kLogonTab);
        window.OpenMenu(kLogonTab, row);
        window.ChooseMenuItem(ID_LOCATE_REGISTRY);
        HWND editor = nullptr;
        Eventually([&] { return (editor = ::FindWindowW(kEditor, nullptr)) != nullptr; }, 30000);
        return editor;
    }

    std::wstring tag;
    test::ScratchFolder folder;
    test::RegistrySeed seed;
    std::wstring app;
    std::wstring userValue;
    std::wstring service;
};

TEST_F(LocateTest, TheEditorIsStartedWalkedToTheValueThenReusedForAKey) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const int userRow = RowNamed(kLogonTab, userValue);
    ASSERT_GE(userRow, 0);
    ASSERT_EQ(nullptr, ::FindWindowW(kEditor, nullptr));

    // Closed: the command starts it and walks it to the value, under HKEY_CURRENT_USER.
    window.ClickTab(kLogonTab);
    window.OpenMenu(kLogonTab, userRow);
    window.ChooseMenuItem(ID_LOCATE_REGISTRY);
    HWND editor = nullptr;
    ASSERT_TRUE(Eventually([&] { return (editor = ::FindWindowW(kEditor, nullptr)) != nullptr; }, 30000))
        << "the registry editor did not come up";
    const HWND tree = EditorChild(editor, L"SysTreeView32");
    const HWND values = EditorChild(editor, L"SysListView32");
    ASSERT_NE(nullptr, tree);
    ASSERT_NE(nullptr, values);
    std::wstring selected;
    EXPECT_TRUE(Eventually(
        [&] {
            selected = test::TreeSelectionPath(tree);
            return EndsWithKey(selected, L"HKEY_CURRENT_USER\\" + kRun);
        },
        60000))
        << "the tree shows " << std::string(selected.begin(), selected.end());
    EXPECT_TRUE(Eventually([&] { return test::ListSelectionText(values) == userValue; }, 30000))
        << "the value list shows " << std::string(userValue.begin(), userValue.end()) << "? it shows " << [&] {
               const auto t = test::ListSelectionText(values);
               return std::string(t.begin(), t.end());
           }();
    const DWORD editorProcess = test::ProcessOf(editor);
    window.Settle(window.dialog().page(kLogonTab).listView());

    // Open: the same editor walks to the service's key.
    window.ClickTab(kServicesTab);
    const int serviceRow = RowNamed(kServicesTab, service);
    ASSERT_GE(serviceRow, 0);
    window.OpenMenu(kServicesTab, serviceRow);
    window.ChooseMenuItem(ID_LOCATE_REGISTRY);
    EXPECT_TRUE(Eventually(
        [&] {
            selected = test::TreeSelectionPath(tree);
            return EndsWithKey(selected, L"HKEY_LOCAL_MACHINE\\" + kServices + L"\\" + service);
        },
        60000))
        << "the tree shows " << std::string(selected.begin(), selected.end());
    EXPECT_EQ(editor, ::FindWindowW(kEditor, nullptr));
    EXPECT_EQ(nullptr, ::FindWindowExW(nullptr, editor, kEditor, nullptr)) << "a second editor was started";
    EXPECT_EQ(editorProcess, test::ProcessOf(::FindWindowW(kEditor, nullptr)));
}

TEST_F(LocateTest, ARegistrationOfThe32BitViewIsLocatedAtItsWow6432NodeKey) {
    if (!kTwoRegistryViews) {
        GTEST_SKIP() << "the 32-bit program runs where there is one registry view only";
    }
    const std::wstring wowRun = *Wow32PathOf(kRun);
    const std::wstring name = L"TarnLocateWow" + tag;
    seed.SetString(HKEY_LOCAL_MACHINE, wowRun, name, app);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const HWND editor = Locate(window, name);
    ASSERT_NE(nullptr, editor) << "the registry editor did not come up";
    const HWND tree = EditorChild(editor, L"SysTreeView32");
    const HWND values = EditorChild(editor, L"SysListView32");
    std::wstring selected;
    EXPECT_TRUE(Eventually(
        [&] {
            selected = test::TreeSelectionPath(tree);
            return EndsWithKey(selected, L"HKEY_LOCAL_MACHINE\\" + wowRun);
        },
        60000))
        << "the tree shows " << Narrow(selected);
    EXPECT_TRUE(Eventually([&] { return test::ListSelectionText(values) == name; }, 30000));
}

// Typing cannot reach a name with a blank in Wine's list; the list is asked for the name itself.
TEST_F(LocateTest, AValueWhoseNameHoldsBlanksIsSelectedByItsName) {
    const std::wstring name = L"Tarn Locate With Blanks " + tag;
    seed.SetString(HKEY_CURRENT_USER, kRun, L"Tarn Locate", app);  // what typing alone would reach
    seed.SetString(HKEY_CURRENT_USER, kRun, name, app);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const HWND editor = Locate(window, name);
    ASSERT_NE(nullptr, editor) << "the registry editor did not come up";
    const HWND values = EditorChild(editor, L"SysListView32");
    EXPECT_TRUE(Eventually([&] { return test::ListSelectionText(values) == name; }, 60000))
        << "the value list shows " << Narrow(test::ListSelectionText(values));
}

TEST_F(LocateTest, AKeyTooLongToWalkStartsNothing) {
    // A service name long enough that the editor's text for it would pass the bound.
    const std::wstring longService = L"TarnLocateLong" + tag + std::wstring(230, L'x');
    ASSERT_GT(longService.size() + kServices.size() + std::wcslen(L"\\HKEY_LOCAL_MACHINE\\\\"), kMaxJoinedPathLength);
    seed.SetDword(HKEY_LOCAL_MACHINE, kServices + L"\\" + longService, L"Start", 3);
    seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + longService, L"ObjectName", L"LocalSystem");
    seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + longService, L"ImagePath", app);
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    window.ClickTab(kServicesTab);
    const int row = RowNamed(kServicesTab, longService);
    ASSERT_GE(row, 0);
    window.OpenMenu(kServicesTab, row);
    window.ChooseMenuItem(ID_LOCATE_REGISTRY);
    window.Settle(window.dialog().page(kServicesTab).listView());
    EXPECT_FALSE(Eventually([] { return ::FindWindowW(kEditor, nullptr) != nullptr; }, 3000));
}

TEST_F(LocateTest, LocateFileOpensAShellWindowOnTheFilesFolder) {
    MainWindow window;
    ASSERT_TRUE(window.WaitForScans(1));
    const int userRow = RowNamed(kLogonTab, userValue);
    ASSERT_GE(userRow, 0);
    const auto before = test::OtherProgramsWindows();
    window.ClickTab(kLogonTab);
    window.OpenMenu(kLogonTab, userRow);
    window.ChooseMenuItem(ID_LOCATE_FILE);
    const std::wstring folderName = LastComponent(folder.path());
    HWND shell = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (shell = NewWindowNaming(before, test::OtherProgramsWindows(), folderName)) != nullptr; }, 30000))
        << "no shell window came up on " << Narrow(folder.path());
    EXPECT_NE(::GetCurrentProcessId(), test::ProcessOf(shell)) << "the folder opened inside the program";
    ::PostMessageW(shell, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Eventually([&] { return !::IsWindow(shell); }));
}

TEST_F(LocateTest, PropertiesOpenTheSheetOfAnExistingFileAndNothingForAMissingOne) {
    // The sheet may run its own loop until closed: call from a thread, answer from here.
    int shown = -1;
    auto before = test::OwnWindows();
    std::thread opener([&] { shown = OpenFileProperties(app); });
    HWND sheet = nullptr;
    const bool appeared = Eventually(
        [&] {
            return (sheet = NewWindowNaming(before, test::OwnWindows(), LastComponent(app))) != nullptr ||
                   (sheet = NewWindowNaming(before, test::OtherProgramsWindows(), LastComponent(app))) != nullptr;
        },
        30000);
    if (appeared) {
        ::PostMessageW(sheet, WM_CLOSE, 0, 0);
    }
    opener.join();
    EXPECT_TRUE(appeared) << "no property sheet names " << Narrow(app);
    EXPECT_NE(0, shown);

    const std::wstring missing = folder / L"TarnMissing.exe";
    before = test::OwnWindows();
    const auto othersBefore = test::OtherProgramsWindows();
    EXPECT_EQ(0, OpenFileProperties(missing));
    EXPECT_FALSE(Eventually(
        [&] {
            return NewWindowNaming(before, test::OwnWindows(), L"TarnMissing") != nullptr ||
                   NewWindowNaming(othersBefore, test::OtherProgramsWindows(), L"TarnMissing") != nullptr;
        },
        3000))
        << "a sheet came up for a missing file";
}

}  // namespace
}  // namespace tarn
