// Every state change run again with call n of its registry calls failing, for every n, once and
// from n on, with two error codes. After each run the registry must hold the starting state, the
// intended final state, or an in-between state in which the registration is still whole in at
// least one of its places, and nothing else may have changed.
#include "state/state_changes.h"

#include "model/list_value.h"
#include "model/registry_data.h"
#include "support/fault_injector.h"
#include "support/registry_dump.h"
#include "support/registry_sandbox.h"

#include "model/key_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::CreateKey;
using test::DumpRegistry;
using test::FaultInjection;
using test::RegistryDump;
using test::RegistrySandbox;
using test::WriteDword;
using test::WriteString;
using test::WriteValue;

const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kServices = L"System\\CurrentControlSet\\Services";
const std::wstring kOptions = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
const std::wstring kMenus = L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers";
const std::wstring kWinlogon = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const std::wstring kWindows = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const std::wstring kStore = L"\\TarnAutoRunDisable";

std::vector<BYTE> Pattern(std::size_t count) {
    std::vector<BYTE> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<BYTE>((i * 13 + 5) & 0xFF);
    }
    return bytes;
}

void WriteBinary(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, std::size_t count) {
    const auto bytes = Pattern(count);
    WriteValue(root, path, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// A key tree of two levels with values of several types.
void WriteArchiverTree(const std::wstring& path) {
    WriteString(HKEY_LOCAL_MACHINE, path, L"", L"{0A0B0C0D-0000-0000-0000-000000000001}");
    WriteDword(HKEY_LOCAL_MACHINE, path, L"Flags", 0x11);
    WriteBinary(HKEY_LOCAL_MACHINE, path, L"Blob", REG_BINARY, 20000);
    const wchar_t multi[] = L"one\0two\0";
    WriteValue(HKEY_LOCAL_MACHINE, path + L"\\Sub", L"List", REG_MULTI_SZ, multi, sizeof multi);
    WriteString(HKEY_LOCAL_MACHINE, path + L"\\Sub\\Deep", L"Path", L"%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    WriteValue(HKEY_LOCAL_MACHINE, path + L"\\Sub\\Deep", L"Odd", 0x7777, "\x01\x02\x03", 3);
}

void WriteService(const std::wstring& name, DWORD start) {
    const std::wstring key = kServices + L"\\" + name;
    WriteDword(HKEY_LOCAL_MACHINE, key, L"Start", start);
    WriteString(HKEY_LOCAL_MACHINE, key, L"ImagePath", L"system32\\drivers\\" + name + L".sys", REG_EXPAND_SZ);
    WriteString(HKEY_LOCAL_MACHINE, key + L"\\Enum\\Root", L"0", L"ROOT\\LEGACY\\0000");
    WriteBinary(HKEY_LOCAL_MACHINE, key + L"\\Security", L"Security", REG_BINARY, 64);
}

struct Scenario {
    const char* name;
    const char* operationName;
    std::function<void()> setup;
    std::function<int32_t(CAutoRunStateChanges&)> operation;
    bool deletes = false;
    // For list items: whether the item is in the live or the stored list of a registry state.
    std::function<bool(const RegistryDump&)> present = nullptr;
};


// Whether a list item is in the named list value of `key` or of its store.
std::function<bool(const RegistryDump&)> ItemPresent(const std::wstring& key, const std::wstring& valueName,
                                                     const std::wstring& item) {
    return [=](const RegistryDump& dump) {
        for (const std::wstring& path : {L"hklm\\" + LowerAscii(key), L"hklm\\" + LowerAscii(key + kStore)}) {
            const auto found = dump.keys.find(path);
            if (found == dump.keys.end()) {
                continue;
            }
            const auto value = found->second.find(LowerAscii(valueName));
            if (value == found->second.end()) {
                continue;
            }
            const auto& bytes = value->second.second;
            const auto items = SplitListItems(Utf16TextFromBytes(bytes.data(), bytes.size()),
                                              ListSeparatorFor(valueName).value());
            for (const auto& text : items) {
                if (LowerAscii(text) == LowerAscii(item)) {
                    return true;
                }
            }
        }
        return false;
    };
}

// Empty store keys are harmless leftovers of a switch that failed after creating its store.
RegistryDump WithoutEmptyStores(RegistryDump dump) {
    for (auto it = dump.keys.begin(); it != dump.keys.end();) {
        const std::wstring& path = it->first;
        const std::wstring suffix = L"\\tarnautorundisable";
        const bool isStore = path.size() > suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(),
                                                                          suffix) == 0;
        const auto next = std::next(it);
        const bool hasSubKeys = next != dump.keys.end() && next->first.rfind(path + L"\\", 0) == 0;
        if (isStore && it->second.empty() && !hasSubKeys) {
            it = dump.keys.erase(it);
        } else {
            it = next;
        }
    }
    return dump;
}

struct Verdict {
    bool lost = false;
    bool altered = false;
    bool wrongResult = false;
    bool inBetween = false;
    // A partial copy left beside a source that is still whole: only a persistent failure, which
    // also stops the clean-up, may leave one.
    bool leftover = false;
};

Verdict Classify(const Scenario& scenario, const RegistryDump& start, const RegistryDump& final,
                 const RegistryDump& after, int32_t result, bool persistent) {
    const RegistryDump a = WithoutEmptyStores(start);
    const RegistryDump b = WithoutEmptyStores(final);
    const RegistryDump x = WithoutEmptyStores(after);
    Verdict verdict;
    verdict.wrongResult = result != 0 && x != b;
    verdict.inBetween = x != a && x != b;

    std::set<std::wstring> paths;
    for (const RegistryDump* dump : {&a, &b, &x}) {
        for (const auto& entry : dump->keys) {
            paths.insert(entry.first);
        }
    }
    bool wholeAtSource = true;
    bool wholeAtTarget = true;
    for (const std::wstring& path : paths) {
        const auto inA = a.keys.find(path);
        const auto inB = b.keys.find(path);
        const auto inX = x.keys.find(path);
        const bool keyA = inA != a.keys.end();
        const bool keyB = inB != b.keys.end();
        const bool keyX = inX != x.keys.end();
        if (keyA == keyB && keyX != keyA) {
            verdict.altered = true;  // a key the operation does not move appeared or went
        }
        if (keyA && !keyB && !keyX) {
            wholeAtSource = false;
        }
        if (keyB && !keyA && !keyX) {
            wholeAtTarget = false;
        }
        std::set<std::wstring> names;
        for (const auto* values : {keyA ? &inA->second : nullptr, keyB ? &inB->second : nullptr,
                                   keyX ? &inX->second : nullptr}) {
            if (values != nullptr) {
                for (const auto& value : *values) {
                    names.insert(value.first);
                }
            }
        }
        for (const std::wstring& name : names) {
            auto version = [&](bool has, auto it) -> const RegistryDump::Value* {
                if (!has) {
                    return nullptr;
                }
                const auto found = it->second.find(name);
                return found == it->second.end() ? nullptr : &found->second;
            };
            const auto* va = version(keyA, inA);
            const auto* vb = version(keyB, inB);
            const auto* vx = version(keyX, inX);
            auto same = [](const RegistryDump::Value* p, const RegistryDump::Value* q) {
                return (p == nullptr && q == nullptr) || (p != nullptr && q != nullptr && *p == *q);
            };
            if (same(va, vb)) {
                verdict.altered = verdict.altered || !same(vx, va);
                continue;
            }
            if (vx != nullptr && !same(vx, va) && !same(vx, vb)) {
                verdict.altered = true;  // bytes or type that neither state had
            }
            if (va != nullptr && !same(vx, va)) {
                wholeAtSource = false;
            }
            if (vb != nullptr && !same(vx, vb)) {
                wholeAtTarget = false;
            }
        }
    }
    if (scenario.present) {
        verdict.lost = !scenario.present(x) && !scenario.deletes;
    } else if (!scenario.deletes) {
        verdict.lost = !wholeAtSource && !wholeAtTarget;
        const std::string operation = scenario.operationName;
        const bool movesKeys = operation.find("Key") != std::string::npos;
        verdict.leftover = movesKeys && !persistent && wholeAtSource && !wholeAtTarget && x != a;
    }
    return verdict;
}

std::vector<Scenario> Scenarios() {
    const std::wstring run = L"HKCU\\" + kRun;
    const std::wstring services = L"HKLM\\" + kServices;
    const std::wstring options = L"HKLM\\" + kOptions;
    const std::wstring menus = L"HKLM\\" + kMenus;
    const std::wstring userinit = L"HKLM\\" + kWinlogon + L"\\Userinit";
    const std::wstring shell = L"HKLM\\" + kWinlogon + L"\\Shell";
    const std::wstring appInit = L"HKLM\\" + kWindows + L"\\AppInit_DLLs";
    auto runValues = [] {
        WriteString(HKEY_CURRENT_USER, kRun, L"Bystander", L"b.exe");
        WriteString(HKEY_CURRENT_USER, kRun, L"Tool", L"%ProgramFiles%\\Tool\\tool.exe /quiet", REG_EXPAND_SZ);
    };
    auto storedValues = [](bool withKept) {
        WriteString(HKEY_CURRENT_USER, kRun, L"Bystander", L"b.exe");
        WriteBinary(HKEY_CURRENT_USER, kRun + kStore, L"Tool", REG_BINARY, 20000);
        if (withKept) {
            WriteString(HKEY_CURRENT_USER, kRun + kStore, L"Kept", L"k.exe");
        }
    };
    auto options2 = [](const std::wstring& parent) {
        WriteString(HKEY_LOCAL_MACHINE, parent + L"\\example.exe", L"Debugger", L"c:\\tools\\dbg.exe -x");
        WriteDword(HKEY_LOCAL_MACHINE, parent + L"\\example.exe", L"GlobalFlag", 0x200);
        WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\other.exe", L"Debugger", L"c:\\o.exe");
    };
    auto lists = [](bool stored) {
        WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit",
                    stored ? L"C:\\WINDOWS\\system32\\userinit.exe," : L"C:\\WINDOWS\\system32\\userinit.exe,C:\\x\\other.exe,");
        WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", stored ? L"explorer.exe " : L"explorer.exe tray.exe");
        WriteString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", stored ? L"a.dll," : L"a.dll,b.dll", REG_EXPAND_SZ);
        if (stored) {
            WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", L"C:\\x\\other.exe,");
            WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Shell", L"tray.exe ");
            WriteString(HKEY_LOCAL_MACHINE, kWindows + kStore, L"AppInit_DLLs", L"b.dll,", REG_EXPAND_SZ);
        }
    };
    using Op = CAutoRunStateChanges;
    return {
        {"switch a value off", "DisableValue", runValues, [=](Op& o) { return o.DisableValue(run, L"tool", KindValue); }},
        {"switch a value on", "EnableValue", [=] { storedValues(true); }, [=](Op& o) { return o.EnableValue(run, L"Tool", KindValue); }},
        {"switch the last stored value on", "EnableValue", [=] { storedValues(false); },
         [=](Op& o) { return o.EnableValue(run, L"Tool", KindValue); }},
        {"delete a stored value", "DeleteValueEntry", [=] { storedValues(true); },
         [=](Op& o) { return o.DeleteValueEntry(run, L"Tool", KindValue, EntryDisabled); }, true},
        {"switch a service off", "DisableService", [] { WriteService(L"Svc", 2); WriteService(L"Other", 3); },
         [=](Op& o) { return o.DisableService(services, L"svc", KindService); }},
        {"switch a service on", "EnableService",
         [] {
             WriteService(L"Svc", 4);
             WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"TarnAutoRunDisable", 3);
         },
         [=](Op& o) { return o.EnableService(services, L"Svc", KindService); }},
        {"delete a service", "DeleteService", [] { WriteService(L"Svc", 2); WriteService(L"Other", 3); },
         [=](Op& o) { return o.DeleteService(services, L"Svc", KindService); }, true},
        {"switch a key off", "DisableKey", [=] { options2(kOptions); },
         [=](Op& o) { return o.DisableKey(options, L"EXAMPLE.EXE", KindKey); }},
        {"switch a key on", "EnableKey",
         [=] {
             options2(kOptions + kStore);
             WriteString(HKEY_LOCAL_MACHINE, kOptions + kStore + L"\\kept.exe", L"Debugger", L"c:\\k.exe");
         },
         [=](Op& o) { return o.EnableKey(options, L"example.exe", KindKey); }},
        {"delete a key", "DeleteKeyEntry", [=] { options2(kOptions); },
         [=](Op& o) { return o.DeleteKeyEntry(options, L"example.exe", KindKey, EntryEnabled); }, true},
        {"switch a key tree off", "DisableKeyTree",
         [] {
             WriteArchiverTree(kMenus + L"\\Archiver");
             WriteString(HKEY_LOCAL_MACHINE, kMenus + L"\\Other", L"", L"{1}");
         },
         [=](Op& o) { return o.DisableKeyTree(menus, L"Archiver", KindKey); }},
        {"switch a key tree on", "EnableKeyTree",
         [] {
             WriteArchiverTree(kMenus + kStore + L"\\Archiver");
             WriteString(HKEY_LOCAL_MACHINE, kMenus + L"\\Other", L"", L"{1}");
         },
         [=](Op& o) { return o.EnableKeyTree(menus, L"Archiver", KindKey); }},
        {"delete a stored key tree", "DeleteKeyTreeEntry",
         [] {
             WriteArchiverTree(kMenus + kStore + L"\\Archiver");
             WriteString(HKEY_LOCAL_MACHINE, kMenus + kStore + L"\\Kept", L"", L"{2}");
         },
         [=](Op& o) { return o.DeleteKeyTreeEntry(menus, L"Archiver", KindKey, EntryDisabled); }, true},
        {"switch a Userinit item off", "DisableListItem", [=] { lists(false); },
         [=](Op& o) { return o.DisableListItem(userinit, L"Userinit", L"c:\\x\\other.exe", KindListItem); }, false,
         ItemPresent(kWinlogon, L"Userinit", L"C:\\x\\other.exe")},
        {"switch a Shell item off", "DisableListItem", [=] { lists(false); },
         [=](Op& o) { return o.DisableListItem(shell, L"Shell", L"tray.exe", KindListItem); }, false,
         ItemPresent(kWinlogon, L"Shell", L"tray.exe")},
        {"switch an AppInit_DLLs item off", "DisableListItem", [=] { lists(false); },
         [=](Op& o) { return o.DisableListItem(appInit, L"AppInit_DLLs", L"b.dll", KindListItem); }, false,
         ItemPresent(kWindows, L"AppInit_DLLs", L"b.dll")},
        {"switch a Userinit item on", "EnableListItem", [=] { lists(true); },
         [=](Op& o) { return o.EnableListItem(userinit, L"Userinit", L"C:\\x\\other.exe", KindListItem); }, false,
         ItemPresent(kWinlogon, L"Userinit", L"C:\\x\\other.exe")},
        {"switch a Shell item on", "EnableListItem", [=] { lists(true); },
         [=](Op& o) { return o.EnableListItem(shell, L"Shell", L"tray.exe", KindListItem); }, false,
         ItemPresent(kWinlogon, L"Shell", L"tray.exe")},
        {"switch an AppInit_DLLs item on", "EnableListItem", [=] { lists(true); },
         [=](Op& o) { return o.EnableListItem(appInit, L"AppInit_DLLs", L"b.dll", KindListItem); }, false,
         ItemPresent(kWindows, L"AppInit_DLLs", L"b.dll")},
        {"delete a live Userinit item", "DeleteListItem", [=] { lists(false); },
         [=](Op& o) {
             return o.DeleteListItem(L"HKLM\\" + kWinlogon, L"Userinit", L"C:\\x\\other.exe", KindListItem,
                                     EntryEnabled);
         },
         true},
        {"delete a stored Shell item", "DeleteListItem", [=] { lists(true); },
         [=](Op& o) {
             return o.DeleteListItem(L"HKLM\\" + kWinlogon, L"Shell", L"tray.exe", KindListItem, EntryDisabled);
         },
         true},
        {"delete a live AppInit_DLLs item", "DeleteListItem", [=] { lists(false); },
         [=](Op& o) {
             return o.DeleteListItem(L"HKLM\\" + kWindows, L"AppInit_DLLs", L"a.dll", KindListItem, EntryEnabled);
         },
         true},
    };
}

TEST(FaultInjection, NoRegistrationIsLostOrAlteredWhateverCallFails) {
    const std::vector<Scenario> scenarios = Scenarios();
    std::set<std::string> operations;
    int runs = 0;
    int lost = 0;
    int altered = 0;
    int wrongResults = 0;
    int inBetween = 0;
    int leftovers = 0;
    int reported = 0;
    for (const Scenario& scenario : scenarios) {
        RegistryDump start;
        RegistryDump final;
        int callCount = 0;
        {
            RegistrySandbox sandbox;
            scenario.setup();
            start = DumpRegistry();
            CAutoRunStateChanges changes;
            FaultInjection counting(0, false, ERROR_SUCCESS);
            ASSERT_EQ(1, scenario.operation(changes)) << scenario.name;
            callCount = counting.calls();
            final = DumpRegistry();
        }
        ASSERT_NE(start, final) << scenario.name;
        operations.insert(scenario.operationName);
        for (const bool persistent : {false, true}) {
            for (const LONG error : {ERROR_ACCESS_DENIED, ERROR_OUTOFMEMORY}) {
                for (int n = 1; n <= callCount; ++n) {
                    RegistrySandbox sandbox;
                    scenario.setup();
                    int32_t result = 0;
                    {
                        CAutoRunStateChanges changes;
                        FaultInjection faults(n, persistent, error);
                        result = scenario.operation(changes);
                    }
                    const RegistryDump after = DumpRegistry();
                    const Verdict verdict = Classify(scenario, start, final, after, result, persistent);
                    ++runs;
                    lost += verdict.lost ? 1 : 0;
                    altered += verdict.altered ? 1 : 0;
                    wrongResults += verdict.wrongResult ? 1 : 0;
                    inBetween += verdict.inBetween ? 1 : 0;
                    leftovers += verdict.leftover ? 1 : 0;
                    if ((verdict.lost || verdict.altered || verdict.wrongResult || verdict.leftover) &&
                        ++reported <= 10) {
                        ADD_FAILURE() << scenario.name << ": call " << n << (persistent ? " and later" : " once")
                                      << " failing with " << error << (verdict.lost ? " lost it" : "")
                                      << (verdict.altered ? " altered it" : "")
                                      << (verdict.wrongResult ? " reported success" : "")
                                      << (verdict.leftover ? " left a partial copy" : "") << "\n"
                                      << test::DescribeDifference(final, after);
                    }
                }
            }
        }
    }
    std::printf("fault injection: %d operations in %d scenarios, %d injected failures, %d registrations lost, "
                "%d altered, %d wrong results, %d runs ended in a documented in-between state\n",
                static_cast<int>(operations.size()), static_cast<int>(scenarios.size()), runs, lost, altered,
                wrongResults, inBetween);
    EXPECT_EQ(0, lost);
    EXPECT_EQ(0, altered);
    EXPECT_EQ(0, wrongResults);
    EXPECT_EQ(0, leftovers);
    EXPECT_GT(runs, 0);
}

}  // namespace
}  // namespace tarn
