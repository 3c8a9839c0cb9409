#include "fileinfo/machine_files.h"
#include "model/appinit.h"
#include "model/known_dlls.h"

#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::Describe;
using test::Expected;
using test::Names;
using test::WriteString;

class AppInitTest : public CategoryTest {
protected:
    CTarnAutoRunAppInit appInit{MachineFiles()};
};

TEST_F(AppInitTest, TwoDllsAreTwoListItemsWithTheirPathsInOrder) {
    const std::wstring first = File(L"WINDOWS\\System32\\first.dll");
    const std::wstring second = File(L"WINDOWS\\System32\\second.dll");
    WriteString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", L"first.dll,second.dll");
    WriteString(HKEY_LOCAL_MACHINE, kWindows, L"Spooler", L"yes");
    appInit.Enumerate();
    ASSERT_EQ(2u, appInit.results().entries.size());
    const std::wstring key = L"HKLM\\" + kWindows;
    EXPECT_EQ(Describe(Expected{L"AppInit_DLLs", L"first.dll,second.dll", first, key + L"\\AppInit_DLLs", key,
                                L"AppInit_DLLs", L"", KindListItem, LocateValue}),
              Describe(*appInit.results().entries[0]));
    EXPECT_EQ(L"first.dll,second.dll", appInit.results().entries[1]->commandLine);
    EXPECT_EQ((std::vector<std::wstring>{first, second}), appInit.livePaths());
    EXPECT_TRUE(appInit.storePaths().empty());
}

TEST_F(AppInitTest, OneDllIsAValueEntryAndAnEmptyValueIsNothing) {
    const std::wstring only = File(L"WINDOWS\\System32\\only.dll");
    WriteString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", L"only.dll");
    appInit.Enumerate();
    ASSERT_EQ(1u, appInit.results().entries.size());
    const std::wstring key = L"HKLM\\" + kWindows;
    EXPECT_EQ(
        Describe(Expected{L"AppInit_DLLs", L"only.dll", only, key, key, L"AppInit_DLLs", L"", KindValue, LocateValue}),
        Describe(*appInit.results().entries[0]));

    WriteString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", L"");
    appInit.ClearResults();
    appInit.Enumerate();
    EXPECT_TRUE(appInit.results().entries.empty());
    EXPECT_TRUE(appInit.items().empty());
}

// Windows reads the list at commas or spaces and ignores the spaces around items: every DLL it
// loads is listed.
TEST_F(AppInitTest, EveryDllWindowsLoadsIsListedWhateverTheSeparators) {
    const std::wstring a = File(L"WINDOWS\\System32\\a.dll");
    const std::wstring b = File(L"WINDOWS\\System32\\b.dll");
    const std::wstring c = File(L"WINDOWS\\System32\\c.dll");
    for (const wchar_t* list : {L"a.dll, b.dll", L"a.dll b.dll", L" a.dll ,b.dll,, c.dll ", L" a.dll"}) {
        WriteString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", list);
        appInit.ClearResults();
        appInit.Enumerate();
        std::vector<std::wstring> paths;
        for (const auto& entry : appInit.results().entries) {
            paths.push_back(entry->imagePath);
            EXPECT_EQ(KindListItem, entry->entryKind);
            EXPECT_EQ(list, entry->commandLine);
        }
        const std::wstring text = list;
        std::vector<std::wstring> expected = {a};
        if (text.find(L"b.dll") != std::wstring::npos) {
            expected.push_back(b);
        }
        if (text.find(L"c.dll") != std::wstring::npos) {
            expected.push_back(c);
        }
        EXPECT_EQ(expected, paths) << text.size();
        EXPECT_EQ(expected, appInit.livePaths());
    }
}

TEST_F(AppInitTest, StoredItemsAreDisabledWithTheirOwnPathList) {
    const std::wstring live = File(L"WINDOWS\\System32\\live.dll");
    const std::wstring kept = File(L"WINDOWS\\System32\\kept.dll");
    WriteString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", L"live.dll,");
    WriteString(HKEY_LOCAL_MACHINE, kWindows + L"\\TarnAutoRunDisable", L"AppInit_DLLs", L"kept.dll,");
    appInit.Enumerate();
    ASSERT_EQ(2u, appInit.results().entries.size());
    const std::wstring key = L"HKLM\\" + kWindows;
    EXPECT_EQ(Describe(Expected{L"AppInit_DLLs", L"kept.dll,", kept, key + L"\\AppInit_DLLs", key, L"AppInit_DLLs", L"",
                                KindListItem, LocateValue, EntryDisabled}),
              Describe(*appInit.results().entries[1]));
    EXPECT_EQ(std::vector<std::wstring>{live}, appInit.livePaths());
    EXPECT_EQ(std::vector<std::wstring>{kept}, appInit.storePaths());

    const auto first = test::DescribeAll(appInit);
    appInit.ClearResults();
    EXPECT_TRUE(appInit.livePaths().empty());
    appInit.Enumerate();
    EXPECT_EQ(first, test::DescribeAll(appInit));
}

TEST_F(AppInitTest, MissingKeyGivesNothing) {
    CTarnAutoRunKnownDLLs knownDlls{MachineFiles()};
    EXPECT_EQ(0, appInit.Enumerate());
    EXPECT_EQ(0, knownDlls.Enumerate());
    EXPECT_TRUE(appInit.results().entries.empty());
    EXPECT_TRUE(knownDlls.results().entries.empty());
}

class KnownDllsTest : public CategoryTest {
protected:
    CTarnAutoRunKnownDLLs knownDlls{MachineFiles()};
};

TEST_F(KnownDllsTest, ValuesAreResolvedInTheDllDirectory) {
    File(L"WINDOWS\\system32\\kernel32.dll");
    File(L"WINDOWS\\system32\\old.dll");
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls, L"DllDirectory", L"%SystemRoot%\\system32", REG_EXPAND_SZ);
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls, L"kernel32", L"kernel32.dll");
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls, L"absent", L"absent.dll");
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls + L"\\TarnAutoRunDisable", L"old", L"old.dll");
    EXPECT_EQ(L"%SystemRoot%\\system32", knownDlls.ReadDllDirectory());

    knownDlls.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"kernel32", L"old"}), Names(knownDlls));
    const std::wstring key = L"HKLM\\" + kKnownDlls;
    EXPECT_EQ(Describe(Expected{L"kernel32", L"kernel32.dll", root + L"\\system32\\kernel32.dll", key, key, L"kernel32",
                                L"", 0, LocateValue}),
              Describe(*knownDlls.results().entries[0]));
    EXPECT_EQ(Describe(Expected{L"old", L"old.dll", root + L"\\system32\\old.dll", key, key, L"old", L"", 0,
                                LocateValue, EntryDisabled}),
              Describe(*knownDlls.results().entries[1]));
}

TEST_F(KnownDllsTest, WithoutDllDirectoryNamesAreFoundInTheSystemFolder) {
    File(L"WINDOWS\\system32\\kernel32.dll");
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls, L"kernel32", L"kernel32.dll");
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls, L"absent", L"absent.dll");
    EXPECT_EQ(L"", knownDlls.ReadDllDirectory());
    knownDlls.Enumerate();
    ASSERT_EQ(std::vector<std::wstring>{L"kernel32"}, Names(knownDlls));
    EXPECT_EQ(root + L"\\system32\\kernel32.dll", knownDlls.results().entries[0]->imagePath);
}

}  // namespace
}  // namespace tarn
