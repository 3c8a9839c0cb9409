// The quieter places inside the first tabs: a registration planted in each is listed with its
// file, location, kind and technique, and switched off, on and deleted byte for byte.
#include "fileinfo/machine_files.h"
#include "model/appinit.h"
#include "model/explorer.h"
#include "model/image_hijacks.h"
#include "model/network_print.h"
#include "model/services.h"
#include "model/winlogon.h"
#include "model/winsock.h"
#include "state/state_changes.h"

#include "support/category_fixture.h"
#include "support/class_registration.h"
#include "support/registry_dump.h"

#include "base/key_text.h"
#include "base/registry_view.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace tarn {
namespace {

using test::WriteString;

const std::wstring kNt = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\";
const std::wstring kControl = L"System\\CurrentControlSet\\Control\\";
const std::wstring kAuth = L"Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\";
const std::wstring kClsid = L"{C0DE0036-0000-4000-8000-000000000001}";

enum class Switch { Value, Key, KeyTree };

// The technique of a place that names none of its own: its category's.
constexpr wchar_t kCategorys[] = L"-";

struct Place {
    const char* what;
    std::function<std::unique_ptr<CTarnAutoRunBase>()> category;
    // Plants the registration; answers its file.
    std::function<std::wstring()> plant;
    std::wstring name;
    std::wstring location;
    int32_t kind;
    Switch switches;
    const wchar_t* technique;
};

class QuietPlacesTest : public test::ClassCategoryTest {
protected:
    template <typename Category>
    static std::function<std::unique_ptr<CTarnAutoRunBase>()> Make() {
        return [] { return std::make_unique<Category>(MachineFiles()); };
    }

    const AutoRunEntry* Find(CTarnAutoRunBase& category, const Place& place) {
        category.ClearResults();
        category.Enumerate();
        for (const auto& entry : category.results().entries) {
            if (entry->name == place.name && EqualsNoCaseAscii(entry->location, place.location)) {
                return entry.get();
            }
        }
        return nullptr;
    }

    int32_t Apply(const AutoRunEntry& e, Switch how, bool enable) {
        switch (how) {
            case Switch::Value:
                return enable ? changes.EnableValue(e.location, e.valueName, KindValue)
                              : changes.DisableValue(e.location, e.valueName, KindValue);
            case Switch::Key:
                return enable ? changes.EnableKey(e.location, e.subKeyName, KindKey)
                              : changes.DisableKey(e.location, e.subKeyName, KindKey);
            case Switch::KeyTree:
                return enable ? changes.EnableKeyTree(e.location, e.subKeyName, KindKey)
                              : changes.DisableKeyTree(e.location, e.subKeyName, KindKey);
        }
        return 0;
    }

    std::wstring System32(const std::wstring& name) { return File(L"WINDOWS\\System32\\" + name); }

    CAutoRunStateChanges changes;
};

TEST_F(QuietPlacesTest, EveryPlaceIsListedSwitchedAndDeletedByteForByte) {
    const Place places[] = {
        {"silent process exit monitor", Make<CTarnAutoRunImageHijacks>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, kNt + L"SilentProcessExit\\notepad.exe", L"MonitorProcess",
                         File(L"monitor.exe"));
             test::WriteDword(HKEY_LOCAL_MACHINE, kNt + L"Image File Execution Options\\notepad.exe", L"GlobalFlag",
                              0x200);
             return File(L"monitor.exe");
         },
         L"notepad.exe", L"HKLM\\" + kNt + L"SilentProcessExit", KindKey, Switch::Key, kCategorys},
        {"verifier DLL", Make<CTarnAutoRunImageHijacks>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, kNt + L"Image File Execution Options\\calc.exe", L"VerifierDlls",
                         L"vrfhook.dll");
             return System32(L"vrfhook.dll");
         },
         L"calc.exe", L"HKLM\\" + kNt + L"Image File Execution Options", KindKey, Switch::Key, kCategorys},
        {"command processor AutoRun", Make<CTarnAutoRunImageHijacks>(),
         [&] {
             WriteString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Command Processor", L"AutoRun",
                         L"\"" + File(L"cmdhook.exe") + L"\" /q");
             return File(L"cmdhook.exe");
         },
         L"AutoRun", L"HKCU\\Software\\Microsoft\\Command Processor", KindValue, Switch::Value, L"T1546"},
        {"exefile open command", Make<CTarnAutoRunImageHijacks>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\exefile\\shell\\open\\command", L"",
                         L"\"" + File(L"shim.exe") + L"\" \"%1\" %*");
             // Windows' own form, beside it, is no registration.
             WriteString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\batfile\\shell\\open\\command", L"", L"\"%1\" %*");
             return File(L"shim.exe");
         },
         L"exefile\\shell\\open", L"HKLM\\Software\\Classes\\exefile\\shell\\open\\command", KindValue, Switch::Value,
         L"T1546.001"},
        {"AppCertDlls", Make<CTarnAutoRunAppInit>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, kControl + L"Session Manager\\AppCertDlls", L"Cert", File(L"cert.dll"));
             return File(L"cert.dll");
         },
         L"Cert", L"HKLM\\" + kControl + L"Session Manager\\AppCertDlls", KindValue, Switch::Value, L"T1546.009"},
        {"credential provider", Make<CTarnAutoRunWinlogon>(),
         [&] {
             const std::wstring dll = RegisterClass(kClsid, L"Tarn Provider");
             WriteString(HKEY_LOCAL_MACHINE, kAuth + L"Credential Providers\\" + kClsid, L"", L"Tarn Provider");
             return dll;
         },
         L"Tarn Provider", L"HKLM\\" + kAuth + L"Credential Providers", KindKey, Switch::KeyTree, L"T1556"},
        {"autodial DLL", Make<CTarnAutoRunWinsock>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters",
                         L"AutodialDLL", File(L"autodial.dll"));
             return File(L"autodial.dll");
         },
         L"AutodialDLL", L"HKLM\\System\\CurrentControlSet\\Services\\WinSock2\\Parameters", KindValue, Switch::Value,
         L"T1546"},
        {"netsh helper", Make<CTarnAutoRunNetWork>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\NetSh", L"tarnhelper", L"tarnhelp.dll");
             return System32(L"tarnhelp.dll");
         },
         L"tarnhelper", L"HKLM\\Software\\Microsoft\\NetSh", KindValue, Switch::Value, L"T1546.007"},
        {"print processor", Make<CTarnAutoRunPrint>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, kControl + L"Print\\Environments\\Windows x64\\Print Processors\\TarnProc",
                         L"Driver", L"tarnproc.dll");
             return System32(L"spool\\prtprocs\\x64\\tarnproc.dll");
         },
         L"TarnProc", L"HKLM\\" + kControl + L"Print\\Environments\\Windows x64\\Print Processors", KindKey,
         Switch::KeyTree, L"T1547.012"},
        {"print provider", Make<CTarnAutoRunPrint>(),
         [&] {
             WriteString(HKEY_LOCAL_MACHINE, kControl + L"Print\\Providers\\Tarn Provider", L"Name", L"tarnprov.dll");
             return System32(L"tarnprov.dll");
         },
         L"Tarn Provider", L"HKLM\\" + kControl + L"Print\\Providers", KindKey, Switch::KeyTree, L"T1547.012"},
        {"service failure command", Make<CTarnAutoRunServices>(),
         [&] {
             const std::wstring service = L"System\\CurrentControlSet\\Services\\TarnFail";
             WriteString(HKEY_LOCAL_MACHINE, service, L"ObjectName", L"LocalSystem");
             WriteString(HKEY_LOCAL_MACHINE, service, L"FailureCommand", L"\"" + File(L"onfail.exe") + L"\" -r");
             const BYTE actions[28] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0};
             test::WriteValue(HKEY_LOCAL_MACHINE, service, L"FailureActions", REG_BINARY, actions, sizeof actions);
             return File(L"onfail.exe");
         },
         L"TarnFail (FailureCommand)", L"HKLM\\System\\CurrentControlSet\\Services\\TarnFail", KindValue, Switch::Value,
         kCategorys},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.what);
        const std::wstring file = place.plant();
        auto category = place.category();
        category->UseTechnique(kCategorys);
        const AutoRunEntry* entry = Find(*category, place);
        ASSERT_NE(nullptr, entry) << test::Printable(place.location);
        EXPECT_EQ(LowerAscii(file), LowerAscii(entry->imagePath));
        EXPECT_EQ(place.kind, entry->entryKind);
        EXPECT_STREQ(place.technique, entry->technique);

        const test::RegistryDump before = test::DumpRegistry();
        for (const bool enable : {false, true}) {
            entry = Find(*category, place);
            ASSERT_NE(nullptr, entry);
            ASSERT_EQ(enable ? EntryDisabled : EntryEnabled, entry->state);
            ASSERT_EQ(1, Apply(*entry, place.switches, enable));
        }
        const test::RegistryDump after = test::DumpRegistry();
        EXPECT_EQ(before, after) << test::DescribeDifference(before, after);
        entry = Find(*category, place);
        ASSERT_NE(nullptr, entry);
        ASSERT_EQ(1, place.kind == KindValue
                         ? changes.DeleteValueEntry(entry->location, entry->valueName, KindValue, EntryEnabled)
                         : changes.DeleteKeyTreeEntry(entry->location, entry->subKeyName, KindKey, EntryEnabled));
        EXPECT_EQ(nullptr, Find(*category, place));
    }
}

TEST_F(QuietPlacesTest, ASharedKeysDebuggerIsFoundAsA32BitProcessFindsItAndACopyIsReadOnce) {
    if (!kTwoRegistryViews) {
        GTEST_SKIP() << "this build's Windows keeps one registry view";
    }
    const std::wstring options = kNt + L"Image File Execution Options";
    const std::wstring copy = L"Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
    // Only a 32-bit process finds this debugger: its System32 is SysWOW64.
    const std::wstring only32 = File(L"WINDOWS\\SysWOW64\\dbg32.exe");
    WriteString(HKEY_LOCAL_MACHINE, options + L"\\app.exe", L"Debugger", L"%SystemRoot%\\System32\\dbg32.exe",
                REG_EXPAND_SZ);
    const auto scan = [&] {
        CTarnAutoRunImageHijacks hijacks{MachineFiles()};
        hijacks.Enumerate();
        std::vector<std::wstring> rows;
        for (const auto& e : hijacks.results().entries) {
            rows.push_back(e->name + L" " + LowerAscii(e->imagePath) + L" " + std::to_wstring(e->view) + L" " + e->location);
        }
        return rows;
    };
    EXPECT_EQ(std::vector<std::wstring>{L"app.exe " + LowerAscii(only32) + L" 32 HKLM\\" + options}, scan());
    // A copy at the 32-bit path that is another key is read as the 32-bit view's; one that leads
    // to the shared key is not read again.
    const std::wstring parent = L"Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion";
    const std::wstring old = File(L"old\\olddbg.exe");
    WriteString(HKEY_LOCAL_MACHINE, copy + L"\\old.exe", L"Debugger", old);
    EXPECT_EQ((std::vector<std::wstring>{L"app.exe " + LowerAscii(only32) + L" 32 HKLM\\" + options,
                                         L"old.exe " + LowerAscii(old) + L" 32 HKLM\\" + copy}),
              scan());
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, copy.c_str()));
    test::CreateLink(HKEY_LOCAL_MACHINE, parent, L"Image File Execution Options", HKEY_LOCAL_MACHINE, options);
    EXPECT_EQ(1u, scan().size());
}

TEST_F(QuietPlacesTest, TheDetailsSayWhenTheMonitorAndTheFailureCommandRun) {
    WriteString(HKEY_LOCAL_MACHINE, kNt + L"SilentProcessExit\\lsass.exe", L"MonitorProcess", File(L"dump.exe"));
    test::WriteDword(HKEY_LOCAL_MACHINE, kNt + L"SilentProcessExit\\lsass.exe", L"ReportingMode", 1);
    CTarnAutoRunImageHijacks hijacks{MachineFiles()};
    hijacks.Enumerate();
    ASSERT_EQ(1u, hijacks.results().entries.size());
    EXPECT_EQ(L"ReportingMode=0x1    GlobalFlag=0x0（监视未开启）", hijacks.results().entries[0]->details);
}

TEST_F(QuietPlacesTest, TheUsersOwnClassOverridesTheMachinesAndTreatAsIsFollowed) {
    const std::wstring other = L"{C0DE0036-0000-4000-8000-000000000002}";
    const std::wstring treated = L"{C0DE0036-0000-4000-8000-000000000003}";
    RegisterClass(kClsid, L"Archive Menu");
    const std::wstring user = File(L"user\\override.dll");
    WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + kClsid + L"\\InprocServer32", L"", user);
    // The second handler's class is served by the one it is treated as.
    RegisterClass(other, L"Old Menu", false);
    WriteString(HKEY_CLASSES_ROOT, L"CLSID\\" + other + L"\\TreatAs", L"", treated);
    const std::wstring treatedDll = RegisterClass(treated, L"New Menu");
    const std::wstring handlers = L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers\\";
    WriteString(HKEY_LOCAL_MACHINE, handlers + L"Archiver", L"", kClsid);
    WriteString(HKEY_LOCAL_MACHINE, handlers + L"Older", L"", other);
    CTarnAutoRunExplorer explorer{MachineFiles()};
    explorer.Enumerate();
    std::vector<std::wstring> rows;
    for (const auto& e : explorer.results().entries) {
        rows.push_back(e->name + L" " + LowerAscii(e->imagePath) + (e->userClassOverride ? L" user" : L""));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Archiver " + LowerAscii(user) + L" user", L"Older " + LowerAscii(treatedDll)}),
              rows);
}

}  // namespace
}  // namespace tarn
