#include "model/logon.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/startup_approval.h"
#include "base/system_keys.h"

#include <array>

namespace tarn {

namespace {

constexpr wchar_t kPoliciesRunPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
constexpr wchar_t kRunOncePath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kRunOnceExPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
constexpr wchar_t kRunServicesPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr wchar_t kRunServicesOncePath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";
constexpr wchar_t kPoliciesSystemPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr wchar_t kWindowsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr wchar_t kScriptsPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts";
constexpr wchar_t kSafeBootPath[] = L"System\\CurrentControlSet\\Control\\SafeBoot";
// Programs installed for a terminal server's users are started from its own copy of the keys.
#define TARN_TS_INSTALL L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Terminal Server\\Install\\"
constexpr wchar_t kInstallRunPath[] = TARN_TS_INSTALL L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kInstallRunOncePath[] = TARN_TS_INSTALL L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kInstallRunOnceExPath[] = TARN_TS_INSTALL L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
#undef TARN_TS_INSTALL

constexpr wchar_t kWinlogonTechnique[] = L"T1547.004";
constexpr wchar_t kLogonScriptTechnique[] = L"T1037.001";

// Value names a row reads, ending in a null.
constexpr const wchar_t* kShellName[] = {kShellValue, nullptr};
constexpr const wchar_t* kWinlogonValues[] = {L"Taskman", L"AppSetup", L"VmApplet", L"mpnotify", L"GinaDLL", nullptr};
constexpr const wchar_t* kWindowsLists[] = {kWindowsLoadValue, kWindowsRunValue, nullptr};
constexpr const wchar_t* kLogonScriptValue[] = {L"UserInitMprLogonScript", nullptr};
constexpr const wchar_t* kAlternateShell[] = {L"AlternateShell", nullptr};

// The kinds of scripts Group Policy runs, each in a subkey of its own.
constexpr const wchar_t* kScriptKinds[] = {L"Startup", L"Shutdown", L"Logon", L"Logoff"};

enum class Handling { Userinit, Shell, RunValues, RunOnceEx, Lists, NamedValues, Scripts };

}  // namespace

struct CTarnAutoRunLogon::SearchRow {
    HKEY root;
    const wchar_t* rootName;
    const wchar_t* path;
    Handling handling;
    // The technique of the row's place; null for the category's.
    const wchar_t* technique = nullptr;
    // Whether Windows' startup switch governs the key's values (the policy keys it does not).
    bool approved = false;
    // The values read (Lists, NamedValues).
    const wchar_t* const* names = nullptr;
};

namespace {

using Row = CTarnAutoRunLogon::SearchRow;
const HKEY HKLM = HKEY_LOCAL_MACHINE;
const HKEY HKCU = HKEY_CURRENT_USER;

// The first six rows in the order the category has always read them; the others follow.
const Row kSearchTable[] = {
    {HKLM, L"HKLM", kWinlogonPath, Handling::Userinit, kWinlogonTechnique},
    {HKLM, L"HKLM", kWinlogonPath, Handling::Shell, kWinlogonTechnique},
    {HKLM, L"HKLM", kRunPath, Handling::RunValues, nullptr, true},
    {HKCU, L"HKCU", kRunPath, Handling::RunValues, nullptr, true},
    {HKCU, L"HKCU", kPoliciesRunPath, Handling::RunValues},
    {HKLM, L"HKLM", kPoliciesRunPath, Handling::RunValues},
    {HKLM, L"HKLM", kRunOncePath, Handling::RunValues},
    {HKCU, L"HKCU", kRunOncePath, Handling::RunValues},
    {HKLM, L"HKLM", kRunOnceExPath, Handling::RunOnceEx},
    {HKLM, L"HKLM", kRunServicesPath, Handling::RunValues},
    {HKCU, L"HKCU", kRunServicesPath, Handling::RunValues},
    {HKLM, L"HKLM", kRunServicesOncePath, Handling::RunValues},
    {HKCU, L"HKCU", kRunServicesOncePath, Handling::RunValues},
    {HKCU, L"HKCU", kWinlogonPath, Handling::Lists, kWinlogonTechnique, false, kShellName},
    {HKLM, L"HKLM", kWinlogonPath, Handling::NamedValues, kWinlogonTechnique, false, kWinlogonValues},
    {HKCU, L"HKCU", kWinlogonPath, Handling::NamedValues, kWinlogonTechnique, false, kWinlogonValues},
    {HKLM, L"HKLM", kPoliciesSystemPath, Handling::NamedValues, kWinlogonTechnique, false, kShellName},
    {HKCU, L"HKCU", kPoliciesSystemPath, Handling::NamedValues, kWinlogonTechnique, false, kShellName},
    {HKCU, L"HKCU", kWindowsPath, Handling::Lists, nullptr, false, kWindowsLists},
    {HKLM, L"HKLM", kWindowsPath, Handling::Lists, nullptr, false, kWindowsLists},
    {HKCU, L"HKCU", L"Environment", Handling::NamedValues, kLogonScriptTechnique, false, kLogonScriptValue},
    {HKLM, L"HKLM", kScriptsPath, Handling::Scripts, kLogonScriptTechnique},
    {HKCU, L"HKCU", kScriptsPath, Handling::Scripts, kLogonScriptTechnique},
    {HKLM, L"HKLM", kInstallRunPath, Handling::RunValues},
    {HKLM, L"HKLM", kInstallRunOncePath, Handling::RunValues},
    {HKLM, L"HKLM", kInstallRunOnceExPath, Handling::RunOnceEx},
    {HKLM, L"HKLM", kSafeBootPath, Handling::NamedValues, nullptr, false, kAlternateShell},
};

// Whether a text names a file from the root of a drive or share.
bool IsAbsolutePath(const std::wstring& path) {
    return (path.size() > 1 && path[1] == L':') || (!path.empty() && path[0] == L'\\');
}

}  // namespace

int32_t CTarnAutoRunLogon::Enumerate() {
    for (const SearchRow& row : kSearchTable) {
        if (row.root != HKCU) {
            ReadRow(row);
            continue;
        }
        // Every user's own keys, the current user's first.
        ForEachUser([&](const UserPlaces& places) {
            SearchRow userRow = row;
            userRow.root = places.root;
            userRow.rootName = places.rootName.c_str();
            ReadRow(userRow);
        });
    }
    ReportUnreadableUsers();
    return 0;
}

void CTarnAutoRunLogon::ReadRow(const SearchRow& row) {
    switch (row.handling) {
        case Handling::RunOnceEx:
            ForEachView(row.root, row.path,
                        [&](const std::wstring& viewPath, RegistryView view) { ReadRunOnceEx(row, viewPath, view); });
            return;
        case Handling::Scripts:
            ForEachView(row.root, row.path, [&](const std::wstring& viewPath, RegistryView view) {
                for (const wchar_t* kind : kScriptKinds) {
                    ReadScripts(row, kind, viewPath, view);
                }
            });
            return;
        default:
            break;
    }
    // The switches are read once for the key and its store.
    StartupApprovals approvals;
    ReadKeyThenStore(row.root, row.rootName, row.path, [&](RegKey& key, const ReadContext& live) {
        ReadContext at = live;
        at.technique = row.technique;
        switch (row.handling) {
            case Handling::Userinit:
                ReadList(key, kUserinitValue, at, userinit_);
                break;
            case Handling::Shell:
                ReadList(key, kShellValue, at, shell_);
                break;
            case Handling::Lists:
                for (const wchar_t* const* name = row.names; *name != nullptr; ++name) {
                    ReadList(key, *name, at, otherLists_[JoinKeyText(at.liveKeyText, *name)]);
                }
                break;
            case Handling::NamedValues:
                ReadNamedValues(key, at, row);
                break;
            default:
                // The 32-bit machine Run values have a list of their own.
                if (at.pass == 0) {
                    approvals = row.approved ? StartupApprovals(row.root, row.rootName,
                                                                at.view == RegistryView::Wow32 ? kApprovalRun32List
                                                                                               : kApprovalRunList)
                                             : StartupApprovals();
                }
                ReadRunValues(key, at, approvals);
                break;
        }
    });
}

// Whether a list text resolves as one command while its pieces do not all resolve.
bool CTarnAutoRunLogon::IsOneCommand(const std::wstring& data, ListSyntax syntax, RegistryView view) {
    const auto items = SplitListText(data, syntax);
    if (!items || !Resolves(data, view)) {
        return false;
    }
    for (const std::wstring& item : *items) {
        if (!item.empty() && !Resolves(item, view)) {
            return true;
        }
    }
    return false;
}

void CTarnAutoRunLogon::ReadRunValues(RegKey& key, const ReadContext& at, const StartupApprovals& approvals) {
    ValuesOf(key, at.location, [&](const RegValue& value) {
        const std::wstring data = TextOf(value);
        AutoRunEntry entry = RunValueEntry(value.name, data, at);
        TakeApproval(entry, approvals, value.name);
        AddResolved(std::move(entry), data, at);
    });
}

AutoRunEntry CTarnAutoRunLogon::RunValueEntry(const std::wstring& name,
                                              const std::wstring& data,
                                              const ReadContext& at) {
    AutoRunEntry entry = NewEntry(at);
    entry.name = name;
    entry.commandLine = data;
    entry.keyPath = at.location;
    entry.entryKind = KindValue;
    entry.locateKind = LocateValue;
    return entry;
}

std::wstring CTarnAutoRunLogon::RunOnceExCommand(const std::wstring& data) {
    if (data.rfind(L"||", 0) == 0) {
        return data.substr(2);
    }
    const std::size_t bar = data.find(L'|');
    return bar == std::wstring::npos ? data : data.substr(0, bar);
}

void CTarnAutoRunLogon::ReadRunOnceEx(const SearchRow& row, const std::wstring& path, RegistryView view) {
    const auto readSection = [&](RegKey& key, const ReadContext& at) {
        ValuesOf(key, at.location, [&](const RegValue& value) {
            // The unnamed value of a section is its title.
            if (value.name.empty()) {
                return;
            }
            const std::wstring data = TextOf(value);
            AddResolved(RunValueEntry(value.name, data, at), RunOnceExCommand(data), at);
        });
    };
    ReadKeyWithoutStore(
        row.root, row.rootName, path,
        [&](RegKey& key, const ReadContext& at) {
            SubKeysOf(key, at.location, [&](const std::wstring& section) {
                if (SameRegistryName(section, kStoreName)) {
                    return;
                }
                const std::wstring sectionPath = JoinKeyText(path, section);
                ReadOneKeyThenStore(row.root, row.rootName, sectionPath, view, readSection);
                ReadOneKeyThenStore(row.root, row.rootName, JoinKeyText(sectionPath, L"Depend"), view, readSection);
            });
        },
        view);
}

void CTarnAutoRunLogon::ReadScripts(const SearchRow& row,
                                    const std::wstring& kind,
                                    const std::wstring& path,
                                    RegistryView view) {
    const std::wstring kindPath = JoinKeyText(path, kind);
    const auto readPolicies = [&](RegKey& kindKey, const ReadContext& kindAt) {
        SubKeysOf(kindKey, kindAt.location, [&](const std::wstring& policy) {
            if (!SameRegistryName(policy, kStoreName)) {
                ReadScriptPolicy(row, kind, JoinKeyText(kindPath, policy), view);
            }
        });
    };
    ReadKeyWithoutStore(row.root, row.rootName, kindPath, readPolicies, view);
}

void CTarnAutoRunLogon::ReadScriptPolicy(const SearchRow& row,
                                         const std::wstring& kind,
                                         const std::wstring& policyPath,
                                         RegistryView view) {
    // Scripts named without a folder lie in the policy's own folder, which the live key names.
    std::wstring scriptFolder;
    ReadOneKeyThenStore(row.root, row.rootName, policyPath, view, [&](RegKey& key, const ReadContext& live) {
        ReadContext at = live;
        at.technique = row.technique;
        if (at.pass == 0) {
            const auto folder = FindValue(key, L"FileSysPath");
            if (folder.found() && !TextOf(folder.item).empty()) {
                scriptFolder = JoinKeyText(JoinKeyText(TextOf(folder.item), L"Scripts"), kind);
            }
        }
        SubKeysOf(key, at.location, [&](const std::wstring& name) { AddScript(name, scriptFolder, at); });
    });
}

void CTarnAutoRunLogon::AddScript(const std::wstring& name, const std::wstring& scriptFolder, const ReadContext& at) {
    RegKey scriptKey;
    if (!OpenOrReport(scriptKey, at.root, JoinKeyText(at.walkedPath, name), JoinKeyText(at.location, name))) {
        return;
    }
    const auto script = FindValue(scriptKey, L"Script");
    if (!script.found()) {
        if (script.failed()) {
            Unreadable(JoinKeyText(at.location, name), scriptKey.status());
        }
        return;
    }
    const std::wstring file = TextOf(script.item);
    const auto parameters = FindValue(scriptKey, L"Parameters");
    const std::wstring arguments = parameters.found() ? TextOf(parameters.item) : std::wstring();
    AutoRunEntry entry = NewEntry(at);
    entry.locateKind = LocateKey;
    entry.entryKind = KindKey;
    entry.commandLine = arguments.empty() ? file : file + L" " + arguments;
    entry.keyPath = JoinKeyText(at.location, name);
    entry.name = name;
    entry.subKeyName = name;
    const bool inPolicyFolder =
        !scriptFolder.empty() && !IsAbsolutePath(file) && ResolveStrictly(entry, JoinKeyText(scriptFolder, file));
    if (inPolicyFolder || Resolve(entry, file)) {
        Add(std::move(entry), at);
    }
}

void CTarnAutoRunLogon::ReadNamedValues(RegKey& key, const ReadContext& at, const SearchRow& row) {
    for (const wchar_t* const* name = row.names; *name != nullptr; ++name) {
        const auto value = FindValue(key, *name);
        if (value.failed()) {
            Unreadable(at.location, key.status());
        }
        if (value.found()) {
            AddWholeListValue(at.liveKeyText, value.item.name, TextOf(value.item), at);
        }
    }
}

void CTarnAutoRunLogon::ClearResults() {
    CTarnAutoRunBase::ClearResults();
    userinit_ = ListValueRecords{};
    shell_ = ListValueRecords{};
    otherLists_.clear();
}

ListValueRecords* CTarnAutoRunLogon::RecordsFor(const std::wstring& valueName) {
    if (EqualsNoCaseAscii(valueName, kUserinitValue)) {
        return &userinit_;
    }
    if (EqualsNoCaseAscii(valueName, kShellValue)) {
        return &shell_;
    }
    return nullptr;
}

bool CTarnAutoRunLogon::SplitListValue(const std::wstring& valueName, const std::wstring& data, const ReadContext& at) {
    ListValueRecords* list = RecordsFor(valueName);
    return list != nullptr && SplitInto(*list, valueName, data, at);
}

bool CTarnAutoRunLogon::SplitInto(ListValueRecords& list,
                                  const std::wstring& valueName,
                                  const std::wstring& data,
                                  const ReadContext& at) {
    const auto syntax = ListSyntaxFor(valueName);
    // A single command whose path holds a space is one command, not a list: its pieces would
    // resolve to nothing and hide it.
    if (!syntax || (*syntax != ListSyntax::Userinit && IsOneCommand(data, *syntax, at.view))) {
        return false;
    }
    return AppendListItems(list.items, valueName, data, at);
}

void CTarnAutoRunLogon::ReadList(RegKey& key, const wchar_t* listName, const ReadContext& at, ListValueRecords& list) {
    const auto split = [&](const std::wstring& valueName, const std::wstring& data) {
        return SplitInto(list, valueName, data, at);
    };
    ReadListValue(key, listName, at.liveKeyText, split, list.items, list.paths, at);
}

}  // namespace tarn
