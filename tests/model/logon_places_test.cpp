// Every place the logon tab reads beyond the Run keys: a registration planted in each is listed
// with its file, location, kind and technique, and switched off, on and deleted byte for byte.
#include "fileinfo/machine_files.h"
#include "model/logon.h"
#include "state/state_changes.h"

#include "support/category_fixture.h"
#include "support/registry_dump.h"
#include "support/registry_paths.h"
#include "support/state_fixture.h"

#include "base/key_text.h"
#include "base/registry_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::WriteString;

const std::wstring kCv = L"Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::wstring kInstall = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Terminal Server\\Install\\";
const std::wstring kScripts = kCv + L"Group Policy\\Scripts";
const std::wstring kSafeBoot = L"System\\CurrentControlSet\\Control\\SafeBoot";

class LogonPlacesTest : public CategoryTest {
protected:
    LogonPlacesTest() { logon.UseTechnique(L"T1547.001"); }

    // The entry found at `location` under `name`, after a fresh scan; null when none.
    const AutoRunEntry* Find(const std::wstring& name, const std::wstring& location) {
        logon.ClearResults();
        logon.Enumerate();
        for (const auto& entry : logon.results().entries) {
            if (entry->name == name && EqualsNoCaseAscii(entry->location, location)) {
                return entry.get();
            }
        }
        return nullptr;
    }

    // Switches the entry off and on through the page's plans, then deletes it; the registry is
    // as it was after the round trip, and the registration gone after the delete.
    void ExpectSwitchedAndDeleted(const std::wstring& name, const std::wstring& location) {
        const test::RegistryDump before = test::DumpRegistry();
        for (const bool enable : {false, true}) {
            const AutoRunEntry* entry = Find(name, location);
            ASSERT_NE(nullptr, entry) << Printable(name);
            ASSERT_EQ(enable ? EntryDisabled : EntryEnabled, entry->state) << Printable(name);
            ASSERT_EQ(1, Switch(*entry, enable)) << Printable(name);
        }
        const test::RegistryDump after = test::DumpRegistry();
        EXPECT_EQ(before, after) << test::DescribeDifference(before, after);
        const AutoRunEntry* entry = Find(name, location);
        ASSERT_NE(nullptr, entry);
        ASSERT_EQ(1, entry->entryKind == KindKey
                         ? changes.DeleteKeyTreeEntry(entry->location, entry->subKeyName, KindKey, entry->state)
                         : changes.DeleteValueEntry(entry->location, entry->name, entry->entryKind, entry->state));
        EXPECT_EQ(nullptr, Find(name, location)) << Printable(name);
    }

    // The tab's switches: a value moves with its name, a script's key as a whole tree.
    int32_t Switch(const AutoRunEntry& entry, bool enable) {
        if (entry.entryKind == KindKey) {
            return enable ? changes.EnableKeyTree(entry.location, entry.subKeyName, KindKey)
                          : changes.DisableKeyTree(entry.location, entry.subKeyName, KindKey);
        }
        return enable ? changes.EnableValue(entry.location, entry.name, entry.entryKind)
                      : changes.DisableValue(entry.location, entry.name, entry.entryKind);
    }

    static std::string Printable(const std::wstring& text) { return test::Printable(text); }
    CTarnAutoRunLogon logon{MachineFiles()};
    CAutoRunStateChanges changes;
};

TEST_F(LogonPlacesTest, EveryValuePlaceIsListedAndSwitchedByteForByte) {
    const struct {
        HKEY root;
        std::wstring path;
        std::wstring name;
        const wchar_t* technique;
    } places[] = {
        {HKEY_LOCAL_MACHINE, kCv + L"RunOnce", L"!Once", L"T1547.001"},
        {HKEY_CURRENT_USER, kCv + L"RunOnce", L"*Safe", L"T1547.001"},
        {HKEY_LOCAL_MACHINE, kCv + L"RunServices", L"Svc", L"T1547.001"},
        {HKEY_CURRENT_USER, kCv + L"RunServicesOnce", L"SvcOnce", L"T1547.001"},
        {HKEY_CURRENT_USER, kWinlogon, L"Shell", L"T1547.004"},
        {HKEY_LOCAL_MACHINE, kWinlogon, L"Taskman", L"T1547.004"},
        {HKEY_CURRENT_USER, kWinlogon, L"AppSetup", L"T1547.004"},
        {HKEY_LOCAL_MACHINE, kWinlogon, L"GinaDLL", L"T1547.004"},
        {HKEY_LOCAL_MACHINE, kCv + L"Policies\\System", L"Shell", L"T1547.004"},
        {HKEY_CURRENT_USER, kWindows, L"Load", L"T1547.001"},
        {HKEY_CURRENT_USER, L"Environment", L"UserInitMprLogonScript", L"T1037.001"},
        {HKEY_LOCAL_MACHINE, kInstall + kRun, L"TsRun", L"T1547.001"},
        {HKEY_LOCAL_MACHINE, kInstall + kCv + L"RunOnce", L"TsOnce", L"T1547.001"},
        {HKEY_LOCAL_MACHINE, kSafeBoot, L"AlternateShell", L"T1547.001"},
    };
    for (const auto& place : places) {
        const std::wstring app =
            File(L"apps\\" + place.name.substr(place.name[0] == L'!' || place.name[0] == L'*') + L".exe");
        WriteString(place.root, place.path, place.name, L"\"" + app + L"\" /start");
        const std::wstring location = (place.root == HKEY_CURRENT_USER ? L"HKCU\\" : L"HKLM\\") + place.path;
        const AutoRunEntry* entry = Find(place.name, location);
        ASSERT_NE(nullptr, entry) << Printable(location + L"\\" + place.name);
        EXPECT_EQ(LowerAscii(app), LowerAscii(entry->imagePath));
        EXPECT_EQ(KindValue, entry->entryKind);
        EXPECT_STREQ(place.technique, entry->technique);
        ExpectSwitchedAndDeleted(place.name, location);
    }
}

TEST_F(LogonPlacesTest, RunOnceOfThe32BitViewIsListedThere) {
    const auto wow = Wow32PathOf(kCv + L"RunOnce");
    if (!wow) {
        GTEST_SKIP() << "this build's Windows keeps one registry view";
    }
    const std::wstring app = File(L"once32.exe");
    WriteString(HKEY_LOCAL_MACHINE, *wow, L"Once32", app);
    const AutoRunEntry* entry = Find(L"Once32", L"HKLM\\" + *wow);
    ASSERT_NE(nullptr, entry);
    EXPECT_TRUE(IsWow32Entry(*entry));
    ExpectSwitchedAndDeleted(L"Once32", L"HKLM\\" + *wow);
}

TEST_F(LogonPlacesTest, RunOnceExValuesNameTheirFileAndTheirSection) {
    const std::wstring dll = File(L"setup\\hook.dll");
    const std::wstring exe = File(L"setup\\then.exe");
    const std::wstring section = kCv + L"RunOnceEx\\0001";
    WriteString(HKEY_LOCAL_MACHINE, section, L"", L"Installing");
    WriteString(HKEY_LOCAL_MACHINE, section, L"Hook", dll + L"|DllInstall|/i");
    WriteString(HKEY_LOCAL_MACHINE, section + L"\\Depend", L"Then", L"||\"" + exe + L"\" /quiet");
    const AutoRunEntry* hook = Find(L"Hook", L"HKLM\\" + section);
    ASSERT_NE(nullptr, hook);
    EXPECT_EQ(LowerAscii(dll), LowerAscii(hook->imagePath));
    EXPECT_EQ(dll + L"|DllInstall|/i", hook->commandLine);
    const AutoRunEntry* then = Find(L"Then", L"HKLM\\" + section + L"\\Depend");
    ASSERT_NE(nullptr, then);
    EXPECT_EQ(LowerAscii(exe), LowerAscii(then->imagePath));
    EXPECT_EQ(2u, logon.results().entries.size());  // the section's title is no registration
    ExpectSwitchedAndDeleted(L"Hook", L"HKLM\\" + section);
    ExpectSwitchedAndDeleted(L"Then", L"HKLM\\" + section + L"\\Depend");
}

TEST_F(LogonPlacesTest, ALogonScriptIsAKeyEntryFoundInItsPolicyFolder) {
    const std::wstring policyFolder = scratch / L"policy";
    const std::wstring script = File(L"policy\\Scripts\\Logon\\logon.bat");
    const std::wstring policy = kScripts + L"\\Logon\\0";
    WriteString(HKEY_CURRENT_USER, policy, L"FileSysPath", policyFolder);
    WriteString(HKEY_CURRENT_USER, policy + L"\\0", L"Script", L"logon.bat");
    WriteString(HKEY_CURRENT_USER, policy + L"\\0", L"Parameters", L"/quiet");
    const AutoRunEntry* entry = Find(L"0", L"HKCU\\" + policy);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(KindKey, entry->entryKind);
    EXPECT_EQ(LowerAscii(script), LowerAscii(entry->imagePath));
    EXPECT_EQ(L"logon.bat /quiet", entry->commandLine);
    EXPECT_STREQ(L"T1037.001", entry->technique);
    ExpectSwitchedAndDeleted(L"0", L"HKCU\\" + policy);
}

TEST_F(LogonPlacesTest, LoadAndRunListsAreSplitAtBlanksAndCommasIntoItems) {
    const std::wstring one = File(L"load\\one.exe");
    const std::wstring two = File(L"load\\two.exe");
    const std::wstring spaced = File(L"load\\With Space\\three.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWindows, L"Run", one + L", " + two);
    WriteString(HKEY_CURRENT_USER, kWindows, L"Load", spaced);
    logon.Enumerate();
    std::vector<std::wstring> items;
    for (const auto& entry : logon.results().entries) {
        items.push_back(entry->name + L" " + std::to_wstring(entry->entryKind) + L" " + LowerAscii(entry->imagePath));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Load 19 " + LowerAscii(spaced), L"Run 23 " + LowerAscii(one),
                                         L"Run 23 " + LowerAscii(two)}),
              items);
    // The second item moves to the store and back; the list is rebuilt around it.
    const AutoRunEntry* second = logon.results().entries[2].get();
    ASSERT_EQ(1, changes.DisableListItem(second->location, L"Run", second->imagePath, KindListItem));
    EXPECT_EQ(one + L",", test::ReadText(HKEY_LOCAL_MACHINE, kWindows, L"Run"));
    EXPECT_EQ(two + L",", test::ReadText(HKEY_LOCAL_MACHINE, kWindows + kStore, L"Run"));
}

TEST_F(LogonPlacesTest, EveryRecordCarriesItsTechnique) {
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Plain", File(L"plain.exe"));
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", File(L"userinit.exe") + L",");
    logon.Enumerate();
    ASSERT_EQ(2u, logon.results().entries.size());
    EXPECT_STREQ(L"T1547.004", logon.results().entries[0]->technique);
    EXPECT_STREQ(L"T1547.001", logon.results().entries[1]->technique);
}

}  // namespace
}  // namespace tarn
