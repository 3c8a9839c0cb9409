// Registrations that Windows starts but that a reader could miss: names with a NUL inside, failed
// reads in a walk, lists Windows reads differently, environment paths, stale kept start values.
#include "fileinfo/machine_files.h"
#include "model/image_hijacks.h"
#include "model/logon.h"
#include "model/services.h"

#include "support/category_fixture.h"
#include "support/fault_injector.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using namespace std::string_literals;
using test::CategoryTest;
using test::CreateNamedKey;
using test::Describe;
using test::DescribeAll;
using test::Expected;
using test::FaultInjection;
using test::FaultPlan;
using test::Names;
using test::ScopedEnvironment;
using test::WriteDword;
using test::WriteNamedString;
using test::WriteString;

class HiddenRegistrationsTest : public CategoryTest {
protected:
    // A service key named `name` (which may hold a NUL), created through the native API.
    void AddService(const std::wstring& name,
                    const std::wstring& imagePath,
                    std::optional<DWORD> start,
                    std::optional<DWORD> kept = std::nullopt) {
        CreateNamedKey(HKEY_LOCAL_MACHINE, kServices, name);
        const std::wstring key = kServices + L"\\" + name;
        WriteNamedString(HKEY_LOCAL_MACHINE, key, L"ObjectName", L"LocalSystem");
        WriteNamedString(HKEY_LOCAL_MACHINE, key, L"ImagePath", imagePath);
        if (start) {
            const DWORD value = *start;
            test::WriteNamedValue(HKEY_LOCAL_MACHINE, key, L"Start", REG_DWORD, &value, sizeof value);
        }
        if (kept) {
            const DWORD value = *kept;
            test::WriteNamedValue(HKEY_LOCAL_MACHINE, key, L"TarnAutoRunDisable", REG_DWORD, &value, sizeof value);
        }
    }

    CTarnAutoRunLogon logon{MachineFiles()};
    CTarnAutoRunServices services{MachineFiles()};
    CTarnAutoRunImageHijacks hijacks{MachineFiles()};
};

TEST_F(HiddenRegistrationsTest, NamesWithANulInsideAreListedWithTheirWholeName) {
    const std::wstring plain = File(L"plain.exe");
    const std::wstring evil = File(L"evil.exe");
    const std::wstring runKey = L"HKLM\\" + kRun;
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Hidden", plain);
    WriteNamedString(HKEY_LOCAL_MACHINE, kRun, L"Hidden\0x"s, evil);
    logon.Enumerate();
    EXPECT_EQ((std::vector<std::wstring>{Describe(Expected{L"Hidden", plain, LowerAscii(plain), runKey, runKey, L"",
                                                           L"", KindValue, LocateValue}),
                                         Describe(Expected{L"Hidden\0x"s, evil, LowerAscii(evil), runKey, runKey, L"",
                                                           L"", KindValue, LocateValue})}),
              DescribeAll(logon));

    const std::wstring servicesKey = L"HKLM\\" + kServices;
    AddService(L"EvilSvc", plain, 2);
    AddService(L"EvilSvc\0x"s, evil, 3);
    services.Enumerate();
    EXPECT_EQ((std::vector<std::wstring>{
                  Describe(Expected{L"EvilSvc", plain, LowerAscii(plain), servicesKey, servicesKey + L"\\EvilSvc", L"",
                                    L"EvilSvc", KindService, LocateKey}),
                  Describe(Expected{L"EvilSvc\0x"s, evil, LowerAscii(evil), servicesKey, servicesKey + L"\\EvilSvc\0x"s,
                                    L"", L"EvilSvc\0x"s, KindService, LocateKey})}),
              DescribeAll(services));

    const std::wstring options = L"HKLM\\" + kOptions;
    CreateNamedKey(HKEY_LOCAL_MACHINE, kOptions, L"notepad.exe\0x"s);
    WriteNamedString(HKEY_LOCAL_MACHINE, kOptions + L"\\notepad.exe\0x"s, L"Debugger", evil);
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\notepad.exe", L"GlobalFlag", L"2");
    hijacks.Enumerate();
    EXPECT_EQ((std::vector<std::wstring>{
                  Describe(Expected{L"notepad.exe\0x"s, evil, LowerAscii(evil), options, options + L"\\notepad.exe\0x"s,
                                    L"", L"notepad.exe\0x"s, KindKey, LocateKey})}),
              DescribeAll(hijacks));
}

// Whatever single read of a walk fails, the listing holds only entries of the clean listing, in
// its order: a failed read is never taken for the default value or for another value's data.
TEST_F(HiddenRegistrationsTest, AFailedReadInAWalkInventsNothing) {
    const std::wstring app = File(L"app.exe");
    const std::wstring other = File(L"other.exe");
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"", app);
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Alpha", other);
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Beta", app);
    WriteString(HKEY_CURRENT_USER, kRun, L"Gamma", other);
    int calls = 0;
    {
        FaultInjection counting(FaultPlan{});
        logon.Enumerate();
        calls = counting.calls();
    }
    const auto clean = DescribeAll(logon);
    ASSERT_EQ(4u, clean.size());
    for (int n = 1; n <= calls; ++n) {
        for (const LONG error : {ERROR_ACCESS_DENIED, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS}) {
            logon.ClearResults();
            {
                FaultInjection faults(FaultPlan{{n}, false, false, error});
                logon.Enumerate();
            }
            const auto listed = DescribeAll(logon);
            // Each listed entry appears in the clean listing, after the one before it.
            auto from = clean.begin();
            for (const std::wstring& entry : listed) {
                from = std::find(from, clean.end(), entry);
                ASSERT_NE(clean.end(), from) << "call " << n << " failing with " << error;
                ++from;
            }
        }
    }
}

TEST_F(HiddenRegistrationsTest, AShellCommandWhosePathHoldsASpaceIsOneEntry) {
    const std::wstring shell = File(L"Program Files\\X\\x.exe");
    const std::wstring winlogon = L"HKLM\\" + kWinlogon;
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", shell);
    logon.Enumerate();
    EXPECT_EQ((std::vector<std::wstring>{Describe(Expected{L"Shell", shell, LowerAscii(shell), winlogon, winlogon,
                                                           L"Shell", L"", KindValue, LocateValue})}),
              DescribeAll(logon));

    // Two programs that each resolve are still two items.
    File(L"WINDOWS\\explorer.exe");
    const std::wstring tray = File(L"tools\\tray.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", L"explorer.exe " + tray);
    logon.ClearResults();
    logon.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"Shell", L"Shell"}), Names(logon));
    EXPECT_EQ(KindListItem, logon.results().entries[0]->entryKind);
    EXPECT_EQ(LowerAscii(tray), logon.results().entries[1]->imagePath);
}

TEST_F(HiddenRegistrationsTest, EnvironmentReferencesBeyondTheThreeKnownOnesAreExpanded) {
    const std::wstring evil = File(L"Users\\me\\AppData\\evil.exe");
    const ScopedEnvironment appData(L"APPDATA", scratch / L"Users\\me\\AppData");
    WriteString(HKEY_CURRENT_USER, kRun, L"Updater", L"%APPDATA%\\evil.exe /silent", REG_EXPAND_SZ);
    WriteString(HKEY_CURRENT_USER, kRun, L"Unset", L"%TARN_UNSET_VARIABLE%\\evil.exe", REG_EXPAND_SZ);
    logon.Enumerate();
    const std::wstring runKey = L"HKCU\\" + kRun;
    EXPECT_EQ((std::vector<std::wstring>{Describe(Expected{L"Updater", L"%APPDATA%\\evil.exe /silent", LowerAscii(evil),
                                                           runKey, runKey, L"", L"", KindValue, LocateValue})}),
              DescribeAll(logon));
}

// A kept start type counts only while "Start" is 4: beside any other "Start" Windows starts the
// service and the kept value is stale.
TEST_F(HiddenRegistrationsTest, AStaleKeptStartTypeDoesNotSwitchAServiceOff) {
    const std::wstring host = File(L"host.exe");
    AddService(L"Running", host, 2, 3);
    AddService(L"SwitchedOff", host, 4, 3);
    AddService(L"NoStart", host, std::nullopt, 3);
    AddService(L"Off", host, 4);
    AddService(L"KeptFour", host, 4, 4);
    services.Enumerate();
    std::vector<std::wstring> listed;
    for (const auto& entry : services.results().entries) {
        listed.push_back(entry->name + L"=" + std::to_wstring(entry->state));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"NoStart=17", L"Running=16", L"SwitchedOff=17"}), listed);
}

}  // namespace
}  // namespace tarn
