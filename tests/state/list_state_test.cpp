#include "state/state_changes.h"

#include "support/scoped_environment.h"
#include "support/scratch_folder.h"
#include "support/state_fixture.h"
#include "support/registry_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

using namespace test::paths;

using test::DumpRegistry;
using test::KeyExists;
using test::ReadRaw;
using test::ReadText;
using test::StateTest;
using test::ValueExists;
using test::WriteString;

const std::wstring kUserinit = L"HKLM\\" + kWinlogon + L"\\Userinit";
const std::wstring kShell = L"HKLM\\" + kWinlogon + L"\\Shell";
const std::wstring kAppInit = L"HKLM\\" + kWindows + L"\\AppInit_DLLs";

using ListStateTest = StateTest;

TEST_F(ListStateTest, UserinitItemMovesOutAndBackWithItsExactTexts) {
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", L"C:\\WINDOWS\\system32\\userinit.exe,C:\\x\\other.exe,");
    const auto before = DumpRegistry();
    ASSERT_EQ(1, changes.DisableListItem(kUserinit, L"Userinit", L"c:\\x\\other.exe", KindListItem));
    EXPECT_EQ(L"C:\\WINDOWS\\system32\\userinit.exe,", ReadText(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit"));
    EXPECT_EQ(L"C:\\x\\other.exe,", ReadText(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit"));
    ASSERT_EQ(1, changes.EnableListItem(kUserinit, L"Userinit", L"C:\\x\\other.exe", KindListItem));
    EXPECT_EQ(L"C:\\WINDOWS\\system32\\userinit.exe,C:\\x\\other.exe,",
              ReadText(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kWinlogon + kStore));
    EXPECT_EQ(before, DumpRegistry());
}

TEST_F(ListStateTest, TheOnlyShellItemLeavesNoLiveValue) {
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", L"Explorer.exe");
    ASSERT_EQ(1, changes.DisableListItem(kShell, L"Shell", L"explorer.exe", KindListItem));
    EXPECT_EQ(L"Explorer.exe ", ReadText(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Shell"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell"));
    ASSERT_EQ(1, changes.EnableListItem(kShell, L"Shell", L"Explorer.exe", KindListItem));
    EXPECT_EQ(L"Explorer.exe ", ReadText(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell"));
}

TEST_F(ListStateTest, ItemsAreFoundByTheResolvedPathTheEntriesCarry) {
    test::ScratchFolder scratch;
    test::ScopedEnvironment root(L"systemroot", scratch / L"WINDOWS");
    const std::wstring explorer = scratch.AddFile(L"WINDOWS\\explorer.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", L"explorer.exe tray.exe");
    ASSERT_EQ(1, changes.DisableListItem(kShell, L"Shell", explorer, KindListItem));
    EXPECT_EQ(L"tray.exe ", ReadText(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell"));
    EXPECT_EQ(L"explorer.exe ", ReadText(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Shell"));
}

TEST_F(ListStateTest, ItemsSwitchedOffOneAfterTheOtherAreStoredInThatOrder) {
    WriteString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", L"a.dll,b.dll,c.dll,b.dll", REG_EXPAND_SZ);
    ASSERT_EQ(1, changes.DisableListItem(kAppInit, L"AppInit_DLLs", L"c.dll", KindListItem));
    ASSERT_EQ(1, changes.DisableListItem(kAppInit, L"AppInit_DLLs", L"B.DLL", KindListItem));
    EXPECT_EQ(L"a.dll,b.dll,", ReadText(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs"));  // the first b.dll moved
    EXPECT_EQ(L"c.dll,b.dll,", ReadText(HKEY_LOCAL_MACHINE, kWindows + kStore, L"AppInit_DLLs"));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), ReadRaw(HKEY_LOCAL_MACHINE, kWindows + kStore, L"AppInit_DLLs")->type);
    const auto& lists = changes.ListsOf(L"appinit_dlls");
    EXPECT_EQ((std::vector<std::wstring>{L"a.dll", L"b.dll"}), lists.activeItems);
    EXPECT_EQ((std::vector<std::wstring>{L"c.dll", L"b.dll"}), lists.storedItems);
}

TEST_F(ListStateTest, DeletingRemovesTheItemFromTheListItWasIn) {
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", L"u.exe,x.exe,");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", L"y.exe,");
    ASSERT_EQ(1, changes.DeleteListItem(L"HKLM\\" + kWinlogon, L"Userinit", L"x.exe", KindListItem, EntryEnabled));
    EXPECT_EQ(L"u.exe,", ReadText(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit"));
    ASSERT_EQ(1, changes.DeleteListItem(L"HKLM\\" + kWinlogon, L"Userinit", L"y.exe", KindListItem, EntryDisabled));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kWinlogon + kStore));  // its last item: the store goes
    EXPECT_EQ(0, changes.DeleteListItem(L"HKLM\\" + kWinlogon, L"Userinit", L"u.exe", KindListItem, 99));
    EXPECT_EQ(0, changes.DeleteListItem(L"HKLM\\" + kWinlogon, L"Userinit", L"none.exe", KindListItem, EntryEnabled));
}

TEST_F(ListStateTest, RefusalsChangeNothing) {
    const std::wstring longItem(7995, L'x');
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", L"u.exe,x.exe,");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", longItem + L",");
    const auto before = DumpRegistry();
    // The stored list would grow past 7999 characters.
    EXPECT_EQ(0, changes.DisableListItem(kUserinit, L"Userinit", L"x.exe", KindListItem));
    EXPECT_EQ(0, changes.DisableListItem(kUserinit, L"Userinit", L"absent.exe", KindListItem));
    EXPECT_EQ(0, changes.DisableListItem(kUserinit, L"Other", L"x.exe", KindListItem));
    EXPECT_EQ(0, changes.EnableListItem(kUserinit, L"Userinit", L"u.exe", KindListItem));
    EXPECT_EQ(before, DumpRegistry());
}

}  // namespace
}  // namespace tarn
