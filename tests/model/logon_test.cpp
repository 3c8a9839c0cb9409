#include "fileinfo/machine_files.h"
#include "model/logon.h"

#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"
#include "fileinfo/file_facts_cache.h"

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

class LogonTest : public CategoryTest {
protected:
    CTarnAutoRunLogon logon{MachineFiles()};
};

TEST_F(LogonTest, RunValueEntryCarriesItsKeyAndValue) {
    const std::wstring app = File(L"Program Files\\App\\app.exe");
    const std::wstring data = L"\"" + app + L"\" /background";
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"AppTray", data);
    logon.Enumerate();
    ASSERT_EQ(1u, logon.results().entries.size());
    const AutoRunEntry& entry = *logon.results().entries[0];
    const std::wstring runKey = L"HKLM\\" + kRun;
    EXPECT_EQ(Describe(Expected{L"AppTray", data, LowerAscii(app), runKey, runKey, L"", L"", KindValue, LocateValue}),
              Describe(entry));
    EXPECT_EQ(0, entry.sizeKB);  // file facts were filled
    EXPECT_FALSE(entry.fileTime.empty());
}

TEST_F(LogonTest, EntriesOfOneFileShareOneReadOfItInAScan) {
    const std::wstring files[] = {File(L"shared\\one.exe"), File(L"shared\\two.exe"), File(L"shared\\three.exe")};
    for (int k = 0; k < 30; ++k) {
        // The same file, now and then written in other letters.
        std::wstring path = files[k % 3];
        if (k % 2 == 1) {
            for (auto& c : path) {
                c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
            }
        }
        WriteString(HKEY_LOCAL_MACHINE, kRun, L"Shared " + std::to_wstring(k), path);
    }
    const FileFactsScope scan;
    logon.Enumerate();
    ASSERT_EQ(30u, logon.results().entries.size());
    EXPECT_EQ(3u, scan.object().factReads());
    for (const auto& entry : logon.results().entries) {
        EXPECT_EQ(0, entry->sizeKB);
        EXPECT_FALSE(entry->fileTime.empty());
    }
}

TEST_F(LogonTest, KeysAreReadInTableOrderLiveBeforeStored) {
    const std::wstring app = File(L"app.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", app + L",");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", app + L",");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", app);
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Shell", app);
    WriteString(HKEY_LOCAL_MACHINE, kPoliciesRun, L"6 HKLM policies", app);
    WriteString(HKEY_CURRENT_USER, kPoliciesRun, L"5 HKCU policies", app);
    WriteString(HKEY_CURRENT_USER, kRun, L"4 HKCU run", app);
    WriteString(HKEY_LOCAL_MACHINE, kRun + kStore, L"3 HKLM run stored", app);
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"2 HKLM run", app);
    logon.Enumerate();
    EXPECT_EQ((std::vector<std::wstring>{L"Userinit", L"Userinit", L"Shell", L"Shell", L"2 HKLM run",
                                         L"3 HKLM run stored", L"4 HKCU run", L"5 HKCU policies", L"6 HKLM policies"}),
              Names(logon));
    std::vector<int32_t> states;
    for (const auto& entry : logon.results().entries) {
        states.push_back(entry->state);
    }
    EXPECT_EQ((std::vector<int32_t>{16, 17, 16, 17, 16, 17, 16, 16, 16}), states);
    EXPECT_EQ(L"HKCU\\" + kRun, logon.results().entries[6]->location);
}

TEST_F(LogonTest, StoredRunValueNamesTheLiveKey) {
    const std::wstring app = File(L"stored.exe");
    WriteString(HKEY_LOCAL_MACHINE, kRun + kStore, L"Stored", app);
    logon.Enumerate();
    ASSERT_EQ(1u, logon.results().entries.size());
    const std::wstring runKey = L"HKLM\\" + kRun;
    EXPECT_EQ(Describe(Expected{L"Stored", app, LowerAscii(app), runKey, runKey, L"", L"", KindValue, LocateValue,
                                EntryDisabled}),
              Describe(*logon.results().entries[0]));
}

TEST_F(LogonTest, UserinitWithATrailingCommaIsOneListItem) {
    const std::wstring userinit = File(L"WINDOWS\\system32\\userinit.exe");
    const std::wstring data = L"%SystemRoot%\\system32\\userinit.exe,";
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", data);
    logon.Enumerate();
    ASSERT_EQ(1u, logon.userinit().items.size());
    EXPECT_EQ(L"%SystemRoot%\\system32\\userinit.exe", logon.userinit().items[0].text);
    ASSERT_EQ(1u, logon.results().entries.size());
    const std::wstring key = L"HKLM\\" + kWinlogon;
    EXPECT_EQ(Describe(Expected{L"Userinit", data, root + L"\\system32\\userinit.exe", key + L"\\Userinit", key,
                                L"Userinit", L"", KindListItem, LocateValue}),
              Describe(*logon.results().entries[0]));
    EXPECT_EQ(std::vector<std::wstring>{root + L"\\system32\\userinit.exe"}, logon.userinit().paths);
}

TEST_F(LogonTest, ShellOfOneProgramIsAValueEntryOfTheWinlogonKey) {
    File(L"WINDOWS\\explorer.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", L"Explorer.exe");
    logon.Enumerate();
    ASSERT_EQ(1u, logon.results().entries.size());
    const std::wstring key = L"HKLM\\" + kWinlogon;
    EXPECT_EQ(Describe(Expected{L"Shell", L"Explorer.exe", root + L"\\explorer.exe", key, key, L"Shell", L"", KindValue,
                                LocateValue}),
              Describe(*logon.results().entries[0]));
    EXPECT_TRUE(logon.shell().items.empty());
}

TEST_F(LogonTest, ShellOfTwoProgramsIsTwoListItems) {
    const std::wstring first = File(L"WINDOWS\\explorer.exe");
    const std::wstring second = File(L"WINDOWS\\System32\\tray.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", L"explorer.exe tray.exe");
    logon.Enumerate();
    ASSERT_EQ(2u, logon.results().entries.size());
    for (const auto& entry : logon.results().entries) {
        EXPECT_EQ(KindListItem, entry->entryKind);
        EXPECT_EQ(L"HKLM\\" + kWinlogon + L"\\Shell", entry->location);
        EXPECT_EQ(L"explorer.exe tray.exe", entry->commandLine);
    }
    EXPECT_EQ((std::vector<std::wstring>{root + L"\\explorer.exe", root + L"\\System32\\tray.exe"}),
              logon.shell().paths);
}

TEST_F(LogonTest, EmptyAndUnresolvableItemsAreDroppedByResolution) {
    const std::wstring a = File(L"a.exe");
    const std::wstring b = File(L"b.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", a + L",," + b + L",c:\\nowhere\\gone.exe");
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Gone", L"c:\\nowhere\\gone.exe");
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Empty", L"");
    logon.Enumerate();
    EXPECT_EQ(4u, logon.userinit().items.size());
    EXPECT_EQ(L"", logon.userinit().items[1].text);
    EXPECT_EQ((std::vector<std::wstring>{LowerAscii(a), LowerAscii(b)}), logon.userinit().paths);
    EXPECT_EQ((std::vector<std::wstring>{L"Userinit", L"Userinit"}), Names(logon));
}

TEST_F(LogonTest, StoredUserinitItemsAreDisabledListItems) {
    const std::wstring live = File(L"live.exe");
    const std::wstring stored = File(L"stored.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", live + L",");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", stored + L",");
    logon.Enumerate();
    ASSERT_EQ(2u, logon.results().entries.size());
    const AutoRunEntry& entry = *logon.results().entries[1];
    const std::wstring key = L"HKLM\\" + kWinlogon;
    EXPECT_EQ(Describe(Expected{L"Userinit", stored + L",", LowerAscii(stored), key + L"\\Userinit", key, L"Userinit",
                                L"", KindListItem, LocateValue, EntryDisabled}),
              Describe(entry));
    ASSERT_EQ(2u, logon.userinit().items.size());
    EXPECT_EQ(EntryEnabled, logon.userinit().items[0].state);
    EXPECT_EQ(EntryDisabled, logon.userinit().items[1].state);
    EXPECT_EQ((std::vector<std::wstring>{LowerAscii(live), LowerAscii(stored)}), logon.userinit().paths);
}

TEST_F(LogonTest, AValueLiveAndStoredIsListedTwice) {
    const std::wstring app = File(L"twice.exe");
    WriteString(HKEY_CURRENT_USER, kRun, L"Twice", app);
    WriteString(HKEY_CURRENT_USER, kRun + kStore, L"Twice", app);
    logon.Enumerate();
    ASSERT_EQ(2u, logon.results().entries.size());
    EXPECT_EQ(EntryEnabled, logon.results().entries[0]->state);
    EXPECT_EQ(EntryDisabled, logon.results().entries[1]->state);
    EXPECT_EQ(L"HKCU\\" + kRun, logon.results().entries[1]->location);
}

TEST_F(LogonTest, MissingKeysGiveAnEmptyList) {
    EXPECT_EQ(0, logon.Enumerate());
    EXPECT_TRUE(logon.results().entries.empty());
    EXPECT_TRUE(logon.userinit().items.empty());
}

TEST_F(LogonTest, RescanAfterClearingGivesTheSameList) {
    const std::wstring app = File(L"app.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", app + L"," + app);
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Shell", L"app.exe other.exe");
    WriteString(HKEY_CURRENT_USER, kRun, L"One", app);
    WriteString(HKEY_LOCAL_MACHINE, kRun + kStore, L"Two", app);
    logon.Enumerate();
    const auto first = test::DescribeAll(logon);
    const auto firstItems = logon.userinit().items.size() + logon.shell().items.size();
    ASSERT_EQ(4u, first.size());
    logon.ClearResults();
    EXPECT_TRUE(logon.results().entries.empty());
    EXPECT_TRUE(logon.userinit().items.empty());
    EXPECT_TRUE(logon.shell().paths.empty());
    logon.Enumerate();
    EXPECT_EQ(first, test::DescribeAll(logon));
    EXPECT_EQ(firstItems, logon.userinit().items.size() + logon.shell().items.size());
}

TEST_F(LogonTest, SplitListValueKnowsOnlyTheWinlogonLists) {
    EXPECT_FALSE(logon.SplitListValue(L"Other", L"a,b"));
    EXPECT_FALSE(logon.SplitListValue(L"Shell", L"explorer.exe"));
    EXPECT_FALSE(logon.SplitListValue(L"Userinit", L""));
    EXPECT_TRUE(logon.SplitListValue(L"SHELL", L"a b "));
    ASSERT_EQ(2u, logon.shell().items.size());
    EXPECT_EQ(1, logon.shell().items[1].index);
    EXPECT_EQ(L"b", logon.shell().items[1].text);
    EXPECT_EQ(EntryEnabled, logon.shell().items[1].state);
}

}  // namespace
}  // namespace tarn
