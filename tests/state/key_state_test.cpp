#include "state/state_changes.h"

#include "support/state_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

using namespace test::paths;

using test::CreateKey;
using test::DumpRegistry;
using test::KeyExists;
using test::ReadRaw;
using test::RegistryDump;
using test::StateTest;
using test::ValueExists;
using test::WriteDword;
using test::WriteString;
using test::WriteValue;

const std::wstring kOptionsText = L"HKLM\\" + kOptions;
const std::wstring kMenus = L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers";
const std::wstring kMenusText = L"HKLM\\" + kMenus;

// The dump of one subtree with its path prefix cut, to compare a tree before and after a move.
std::map<std::wstring, RegistryDump::Key> Subtree(const RegistryDump& dump, const std::wstring& prefix) {
    std::map<std::wstring, RegistryDump::Key> tree;
    for (const auto& [path, key] : dump.keys) {
        if (path == prefix || path.rfind(prefix + L"\\", 0) == 0) {
            tree[path.substr(prefix.size())] = key;
        }
    }
    return tree;
}

void WriteTwoLevelTree(const std::wstring& path) {
    WriteString(HKEY_LOCAL_MACHINE, path, L"", L"{0A0B0C0D-0000-0000-0000-000000000001}");
    WriteDword(HKEY_LOCAL_MACHINE, path, L"Flags", 7);
    const wchar_t multi[] = L"a\0b\0";
    WriteValue(HKEY_LOCAL_MACHINE, path + L"\\Level1", L"List", REG_MULTI_SZ, multi, sizeof multi);
    WriteString(HKEY_LOCAL_MACHINE, path + L"\\Level1\\Level2", L"Path", L"%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    WriteValue(HKEY_LOCAL_MACHINE, path + L"\\Level1\\Level2", L"Raw", REG_BINARY, "\x00\xff", 2);
}

using KeyStateTest = StateTest;

TEST_F(KeyStateTest, AnImageHijackMovesIntoTheStoreAndBack) {
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\example.exe", L"Debugger", L"c:\\tools\\dbg.exe");
    const auto before = DumpRegistry();
    ASSERT_EQ(1, changes.DisableKey(kOptionsText, L"EXAMPLE.EXE", KindKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOptions + L"\\example.exe"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kOptions + kStore + L"\\example.exe", L"Debugger"));
    ASSERT_EQ(1, changes.EnableKey(kOptionsText, L"example.exe", KindKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOptions + kStore));
    EXPECT_EQ(before, DumpRegistry());
}

TEST_F(KeyStateTest, TheOneLevelFamilyRefusesBeforeCopying) {
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\nested.exe", L"Debugger", L"d.exe");
    CreateKey(HKEY_LOCAL_MACHINE, kOptions + L"\\nested.exe\\Child");
    CreateKey(HKEY_LOCAL_MACHINE, kOptions + L"\\empty.exe");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\taken.exe", L"Debugger", L"live.exe");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + kStore + L"\\taken.exe", L"Debugger", L"stored.exe");
    const auto before = DumpRegistry();
    EXPECT_EQ(0, changes.DisableKey(kOptionsText, L"nested.exe", KindKey));
    EXPECT_EQ(0, changes.DisableKey(kOptionsText, L"empty.exe", KindKey));
    EXPECT_EQ(0, changes.DisableKey(kOptionsText, L"taken.exe", KindKey));  // never overwrites a stored key
    EXPECT_EQ(0, changes.EnableKey(kOptionsText, L"taken.exe", KindKey));   // nor a live one
    EXPECT_EQ(0, changes.DisableKey(kOptionsText, L"missing.exe", KindKey));
    EXPECT_EQ(0, changes.DeleteKeyEntry(kOptionsText, L"nested.exe", KindKey, EntryEnabled));
    EXPECT_EQ(before, DumpRegistry());
}

TEST_F(KeyStateTest, ATwoLevelTreeMovesWholeBothWays) {
    WriteTwoLevelTree(kMenus + L"\\Archiver");
    WriteString(HKEY_LOCAL_MACHINE, kMenus + L"\\Other", L"", L"{1}");
    const auto before = DumpRegistry();
    ASSERT_EQ(1, changes.DisableKeyTree(kMenusText, L"archiver", KindKey));
    const auto stored = DumpRegistry();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver"));
    EXPECT_EQ(Subtree(before, L"HKLM\\" + kMenus + L"\\Archiver"),
              Subtree(stored, L"HKLM\\" + kMenus + kStore + L"\\Archiver"));
    ASSERT_EQ(1, changes.EnableKeyTree(kMenusText, L"Archiver", KindKey));
    EXPECT_EQ(before, DumpRegistry());
}

TEST_F(KeyStateTest, DeletingFollowsTheEntryState) {
    WriteTwoLevelTree(kMenus + kStore + L"\\Archiver");
    WriteTwoLevelTree(kMenus + L"\\Archiver");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\{ABC}", L"Debugger", L"d.exe");
    ASSERT_EQ(1, changes.DeleteKeyTreeEntry(kMenusText, L"Archiver", KindKey, EntryDisabled));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMenus + kStore + L"\\Archiver"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kMenus + kStore));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver\\Level1\\Level2"));
    EXPECT_EQ(0, changes.DeleteKeyTreeEntry(kMenusText, L"Archiver", KindKey, 99));
    ASSERT_EQ(1, changes.DeleteKeyTreeEntry(kMenusText, L"Archiver", KindKey, EntryFileMissing));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver"));
    ASSERT_EQ(1, changes.DeleteKeyEntry(kOptionsText, L"{abc}", KindKey, EntryEnabled));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOptions + L"\\{ABC}"));
}

TEST_F(KeyStateTest, AWinsockEntryDeletesOnlyItsOwnSubkey) {
    const std::wstring catalog =
        L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries";
    WriteValue(HKEY_LOCAL_MACHINE, catalog + L"\\000000000001", L"PackedCatalogItem", REG_BINARY, "a\0b", 3);
    WriteValue(HKEY_LOCAL_MACHINE, catalog + L"\\000000000002", L"PackedCatalogItem", REG_BINARY, "c\0d", 3);
    CreateKey(HKEY_LOCAL_MACHINE, catalog + L"\\000000000001\\Extra");
    ASSERT_EQ(1, changes.DeleteKeyTreeEntry(L"HKLM\\" + catalog, L"000000000001", KindKey, EntryEnabled));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, catalog + L"\\000000000001"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, catalog + L"\\000000000002"));
}

TEST_F(KeyStateTest, APathTooLongForTheStoreFailsBeforeAnyChange) {
    // The live tree fits; below the store's longer path its deepest key would not.
    std::wstring deep = kMenus + L"\\Deep";
    while (deep.size() + 10 < 259) {
        deep += L"\\k";
    }
    WriteString(HKEY_LOCAL_MACHINE, deep, L"v", L"x");
    const auto before = DumpRegistry();
    EXPECT_EQ(0, changes.DisableKeyTree(kMenusText, L"Deep", KindKey));
    EXPECT_EQ(before, DumpRegistry());
}

}  // namespace
}  // namespace tarn
