#include "state/fault_scenarios.h"

#include "base/autorun_entry.h"
#include "support/registry_sandbox.h"
#include "support/registry_paths.h"

#include <iterator>

namespace tarn::test {

namespace {

using namespace test::paths;

using namespace std::string_literals;
using Op = CAutoRunStateChanges;

const std::wstring kMenus = L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers";
const std::wstring kBystander = L"Software\\Bystander";
const std::wstring kApproved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// Dump paths.
const std::wstring kRunKey = L"HKCU\\" + kRun;
const std::wstring kRunStore = kRunKey + kStore;
const std::wstring kApprovedKey = L"HKCU\\" + kApproved;
const std::wstring kServicesKey = L"HKLM\\" + kServices;
const std::wstring kOptionsKey = L"HKLM\\" + kOptions;
const std::wstring kOptionsStore = kOptionsKey + kStore;
const std::wstring kMenusKey = L"HKLM\\" + kMenus;
const std::wstring kMenusStore = kMenusKey + kStore;
const std::wstring kWinlogonKey = L"HKLM\\" + kWinlogon;
const std::wstring kWinlogonStore = kWinlogonKey + kStore;
const std::wstring kWindowsKey = L"HKLM\\" + kWindows;
const std::wstring kWindowsStore = kWindowsKey + kStore;

// Entry texts the page would pass.
const std::wstring kRunText = kRunKey;
const std::wstring kServicesText = kServicesKey;
const std::wstring kOptionsText = kOptionsKey;
const std::wstring kMenusText = kMenusKey;
const std::wstring kUserinitText = kWinlogonKey + L"\\Userinit";
const std::wstring kShellText = kWinlogonKey + L"\\Shell";
const std::wstring kAppInitText = kWindowsKey + L"\\AppInit_DLLs";
// The user's "Load" list, split at blanks as Windows reads it.
const std::wstring kUserWindowsKey = L"HKCU\\" + kWindows;
const std::wstring kUserWindowsStore = kUserWindowsKey + kStore;
const std::wstring kLoadText = kUserWindowsKey + L"\\Load";

// The scheduler's registry cache.
const std::wstring kTaskCache = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache";
const std::wstring kTaskCacheKey = L"HKLM\\" + kTaskCache;
const std::wstring kTaskId = L"{7A5C0000-0000-4000-8000-0000000000BB}";

// The session manager's program list and the security providers' text.
const std::wstring kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
const std::wstring kSessionKey = L"HKLM\\" + kSessionManager;
const std::wstring kSessionStore = kSessionKey + kStore;
const std::wstring kBootText = kSessionKey + L"\\BootExecute";
const std::wstring kBootList = L"autocheck autochk *\0native -x\0\0"s;
const std::wstring kProviders = L"System\\CurrentControlSet\\Control\\SecurityProviders";
const std::wstring kProvidersKey = L"HKLM\\" + kProviders;
const std::wstring kProvidersText = kProvidersKey + L"\\SecurityProviders";

std::vector<BYTE> Pattern(std::size_t count) {
    std::vector<BYTE> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<BYTE>((i * 13 + 5) & 0xFF);
    }
    return bytes;
}

std::vector<BYTE> Text(const std::wstring& text) {
    return Concat(Utf16(text), Zeros(2));
}

std::vector<BYTE> Dword(DWORD value) {
    return {static_cast<BYTE>(value & 0xFF), static_cast<BYTE>((value >> 8) & 0xFF),
            static_cast<BYTE>((value >> 16) & 0xFF), static_cast<BYTE>((value >> 24) & 0xFF)};
}

void Write(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<BYTE>& bytes) {
    WriteNamedValue(root, path, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void WriteText(HKEY root,
               const std::wstring& path,
               const std::wstring& name,
               const std::wstring& text,
               DWORD type = REG_SZ) {
    Write(root, path, name, type, Text(text));
}

// A key tree of two levels with values of several types.
void WriteArchiverTree(const std::wstring& path) {
    WriteText(HKEY_LOCAL_MACHINE, path, L"", L"{0A0B0C0D-0000-0000-0000-000000000001}");
    Write(HKEY_LOCAL_MACHINE, path, L"Flags", REG_DWORD, Dword(0x11));
    Write(HKEY_LOCAL_MACHINE, path, L"Blob", REG_BINARY, Pattern(17000));
    Write(HKEY_LOCAL_MACHINE, path + L"\\Sub", L"List", REG_MULTI_SZ, Utf16(L"one\0two\0\0"s));
    WriteText(HKEY_LOCAL_MACHINE, path + L"\\Sub\\Deep", L"Path", L"%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    Write(HKEY_LOCAL_MACHINE, path + L"\\Sub\\Deep", L"Odd", 0x7777, {1, 2, 3});
}

void WriteService(const std::wstring& name, DWORD start) {
    const std::wstring key = kServices + L"\\" + name;
    Write(HKEY_LOCAL_MACHINE, key, L"Start", REG_DWORD, Dword(start));
    WriteText(HKEY_LOCAL_MACHINE, key, L"ImagePath", L"system32\\drivers\\x.sys", REG_EXPAND_SZ);
    WriteText(HKEY_LOCAL_MACHINE, key + L"\\Enum\\Root", L"0", L"ROOT\\LEGACY\\0000");
    Write(HKEY_LOCAL_MACHINE, key + L"\\Security", L"Security", REG_BINARY, Pattern(64));
}

// A key outside every registration that links may point at: it must never change.
void WriteBystander() {
    WriteText(HKEY_LOCAL_MACHINE, kBystander + L"\\Target", L"Keep", L"never delete me");
    WriteText(HKEY_LOCAL_MACHINE, kBystander + L"\\Target\\Child", L"Keep", L"nor me");
}

void WriteHijack(const std::wstring& parent, const std::wstring& name, const std::wstring& debugger) {
    CreateNamedKey(HKEY_LOCAL_MACHINE, parent, name);
    WriteText(HKEY_LOCAL_MACHINE, parent + L"\\" + name, L"Debugger", debugger);
    Write(HKEY_LOCAL_MACHINE, parent + L"\\" + name, L"GlobalFlag", REG_DWORD, Dword(0x200));
}

void WriteLists(bool stored) {
    WriteText(
        HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit",
        stored ? L"C:\\WINDOWS\\system32\\userinit.exe," : L"C:\\WINDOWS\\system32\\userinit.exe,C:\\x\\other.exe,");
    WriteText(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", stored ? L"explorer.exe " : L"explorer.exe tray.exe");
    WriteText(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", stored ? L"a.dll," : L"a.dll,b.dll", REG_EXPAND_SZ);
    if (stored) {
        WriteText(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", L"C:\\x\\other.exe,");
        WriteText(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Shell", L"tray.exe ");
        WriteText(HKEY_LOCAL_MACHINE, kWindows + kStore, L"AppInit_DLLs", L"b.dll,", REG_EXPAND_SZ);
    }
}

RegistryDump::Key& EnsureKey(RegistryDump& expected, const RegistryDump& actual, const std::wstring& path) {
    if (expected.keys.count(path) == 0) {
        const auto made = actual.keys.find(path);
        expected.keys[path].traits = made != actual.keys.end() ? made->second.traits : KeyTraits{};
    }
    return expected.keys[path];
}

bool Below(const std::wstring& path, const std::wstring& top) {
    return path == top || path.rfind(top + L"\\", 0) == 0;
}

ListWatch Watch(const std::wstring& key, const std::wstring& value, std::wstring deleted = {}) {
    return ListWatch{key, value, *ListSyntaxFor(value), std::move(deleted)};
}

// Where a store that is a link leads: back to itself, to the key it belongs to, to another
// autostart key, or nowhere.
enum class StoreLink { Itself, OwnKey, OtherKey, Nowhere };

void WriteStoreLink(HKEY root, const std::wstring& key, StoreLink to) {
    const std::wstring native = NativeKeyName(root, key);
    const std::wstring other = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    switch (to) {
        case StoreLink::Itself:
            CreateLinkTo(root, key, kStore.substr(1), native + kStore);
            break;
        case StoreLink::OwnKey:
            CreateLinkTo(root, key, kStore.substr(1), native);
            break;
        case StoreLink::OtherKey:
            WriteText(root, other, L"Stays", L"s.exe");
            CreateLink(root, key, kStore.substr(1), root, other);
            break;
        case StoreLink::Nowhere:
            CreateLinkTo(root, key, kStore.substr(1), native + L"\\Nowhere");
            break;
    }
}

}  // namespace

std::vector<BYTE> Utf16(const std::wstring& text) {
    std::vector<BYTE> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<BYTE>(static_cast<uint16_t>(c) & 0xFF));
        bytes.push_back(static_cast<BYTE>((static_cast<uint16_t>(c) >> 8) & 0xFF));
    }
    return bytes;
}

std::vector<BYTE> Concat(std::vector<BYTE> a, const std::vector<BYTE>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<BYTE> Zeros(std::size_t count) {
    return std::vector<BYTE>(count, 0);
}

Edit MoveValue(const std::wstring& fromKey, const std::wstring& toKey, const std::wstring& name) {
    return [=](RegistryDump& expected, const RegistryDump& actual) {
        auto& from = expected.keys[fromKey].values;
        const auto value = from.at(name);
        from.erase(name);
        EnsureKey(expected, actual, toKey).values[name] = value;
    };
}

Edit SetValue(const std::wstring& key, const std::wstring& name, DWORD type, std::vector<BYTE> bytes) {
    return [=](RegistryDump& expected, const RegistryDump& actual) {
        EnsureKey(expected, actual, key).values[name] = {type, bytes};
    };
}

Edit RemoveValue(const std::wstring& key, const std::wstring& name) {
    return [=](RegistryDump& expected, const RegistryDump&) { expected.keys[key].values.erase(name); };
}

Edit MoveKey(const std::wstring& from, const std::wstring& to) {
    return [=](RegistryDump& expected, const RegistryDump& actual) {
        EnsureKey(expected, actual, to.substr(0, to.rfind(L'\\')));
        std::map<std::wstring, RegistryDump::Key> moved;
        for (auto it = expected.keys.begin(); it != expected.keys.end();) {
            if (Below(it->first, from)) {
                moved[to + it->first.substr(from.size())] = it->second;
                it = expected.keys.erase(it);
            } else {
                ++it;
            }
        }
        expected.keys.insert(moved.begin(), moved.end());
    };
}

Edit RemoveKey(const std::wstring& path) {
    return [=](RegistryDump& expected, const RegistryDump&) {
        for (auto it = expected.keys.begin(); it != expected.keys.end();) {
            it = Below(it->first, path) ? expected.keys.erase(it) : std::next(it);
        }
    };
}

std::vector<Scenario> FaultScenarios() {
    const std::wstring nulTool = L"Tool\0x"s;
    const std::wstring softHyphen = L"Up\u00ADdater";
    const std::wstring nulService = L"EvilSvc\0x"s;
    const std::wstring nulHijack = L"evil.exe\0x"s;
    const std::wstring userinitText = L"C:\\WINDOWS\\system32\\userinit.exe,";
    const std::wstring other = L"C:\\x\\other.exe,";
    auto runValues = [] {
        WriteText(HKEY_CURRENT_USER, kRun, L"Bystander", L"b.exe");
        WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"%ProgramFiles%\\Tool\\tool.exe /quiet", REG_EXPAND_SZ);
    };
    auto storedValues = [](bool withKept) {
        WriteText(HKEY_CURRENT_USER, kRun, L"Bystander", L"b.exe");
        Write(HKEY_CURRENT_USER, kRun + kStore, L"Tool", REG_BINARY, Pattern(20000));
        if (withKept) {
            WriteText(HKEY_CURRENT_USER, kRun + kStore, L"Kept", L"k.exe");
        }
    };
    // Switched off by Windows, live or in the store, beside another switch value.
    auto approvedValues = [](bool live) {
        WriteText(HKEY_CURRENT_USER, live ? kRun : kRun + kStore, L"Tool", L"%ProgramFiles%\\Tool\\tool.exe",
                  REG_EXPAND_SZ);
        WriteText(HKEY_CURRENT_USER, kRun, L"Bystander", L"b.exe");
        Write(HKEY_CURRENT_USER, kApproved, L"Tool", REG_BINARY, Concat({3, 0, 0, 0}, Pattern(8)));
        Write(HKEY_CURRENT_USER, kApproved, L"Bystander", REG_BINARY, Concat({3}, Zeros(11)));
    };
    // The switch list a link to another key, or reached through one.
    auto linkedApprovals = [](bool throughParent) {
        return [throughParent] {
            const std::wstring elsewhere = L"Software\\Tarn Other";
            WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"t.exe");
            Write(HKEY_CURRENT_USER, elsewhere + L"\\Run", L"Tool", REG_BINARY, Concat({3, 0, 0, 0}, Pattern(8)));
            const std::size_t cut = kApproved.rfind(L'\\');
            const std::wstring list = kApproved.substr(cut + 1);
            const std::wstring approved = kApproved.substr(0, cut);
            if (throughParent) {
                const std::size_t up = approved.rfind(L'\\');
                CreateLink(HKEY_CURRENT_USER, approved.substr(0, up), approved.substr(up + 1), HKEY_CURRENT_USER,
                           elsewhere);
            } else {
                CreateLink(HKEY_CURRENT_USER, approved, list, HKEY_CURRENT_USER, elsewhere + L"\\Run");
            }
        };
    };
    auto hijacks = [](const std::wstring& parent) {
        WriteHijack(parent, L"example.exe", L"c:\\tools\\dbg.exe -x");
        WriteHijack(kOptions, L"other.exe", L"c:\\o.exe");
    };
    auto twoServices = [] {
        WriteService(L"Svc", 2);
        WriteService(L"Other", 3);
    };
    auto serviceWithKept = [](DWORD start, DWORD kept) {
        return [=] {
            WriteService(L"Svc", start);
            Write(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"TarnAutoRunDisable", REG_DWORD, Dword(kept));
        };
    };
    const std::wstring svc = kServicesKey + L"\\Svc";
    std::vector<Scenario> linkedStores;
    for (const auto& [to, where] :
         {std::pair{StoreLink::Itself, "itself"}, std::pair{StoreLink::OwnKey, "its key"},
          std::pair{StoreLink::OtherKey, "another autostart key"}, std::pair{StoreLink::Nowhere, "nowhere"}}) {
        const std::string linked = std::string(" with a store that links to ") + where;
        auto runStore = [to = to](bool stored) {
            return [=] {
                WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"t.exe");
                if (stored) {
                    WriteText(HKEY_CURRENT_USER, kRun, L"Listed", L"l.exe");
                }
                WriteStoreLink(HKEY_CURRENT_USER, kRun, to);
            };
        };
        auto listStore = [to = to] {
            WriteLists(false);
            WriteStoreLink(HKEY_LOCAL_MACHINE, kWinlogon, to);
        };
        auto keyStore = [to = to] {
            WriteHijack(kOptions, L"example.exe", L"c:\\tools\\dbg.exe -x");
            WriteStoreLink(HKEY_LOCAL_MACHINE, kOptions, to);
        };
        for (Scenario scenario : std::vector<Scenario>{
                 {"switch a value off",
                  "DisableValue",
                  runStore(false),
                  [](Op& o) { return o.DisableValue(kRunText, L"Tool", KindValue); },
                  Outcome::Refused,
                  {}},
                 {"switch a value on",
                  "EnableValue",
                  runStore(true),
                  [](Op& o) { return o.EnableValue(kRunText, L"Tool", KindValue); },
                  Outcome::Refused,
                  {}},
                 {"delete a stored value",
                  "DeleteValueEntry",
                  runStore(true),
                  [](Op& o) { return o.DeleteValueEntry(kRunText, L"Tool", KindValue, EntryDisabled); },
                  Outcome::Refused,
                  {}},
                 {"switch a Userinit item off",
                  "DisableListItem",
                  listStore,
                  [](Op& o) {
                      return o.DisableListItem(kUserinitText, L"Userinit", L"c:\\x\\other.exe", KindListItem);
                  },
                  Outcome::Refused,
                  {}},
                 {"switch a Shell item on",
                  "EnableListItem",
                  listStore,
                  [](Op& o) { return o.EnableListItem(kShellText, L"Shell", L"tray.exe", KindListItem); },
                  Outcome::Refused,
                  {}},
                 {"switch a key off",
                  "DisableKey",
                  keyStore,
                  [](Op& o) { return o.DisableKey(kOptionsText, L"example.exe", KindKey); },
                  Outcome::Refused,
                  {}},
                 {"switch a key on",
                  "EnableKey",
                  keyStore,
                  [](Op& o) { return o.EnableKey(kOptionsText, L"example.exe", KindKey); },
                  Outcome::Refused,
                  {}},
             }) {
            scenario.name += linked;
            linkedStores.push_back(std::move(scenario));
        }
    }

    // Another user's hive, below HKEY_USERS: moved in that user's key and store.
    const std::wstring otherUser = L"S-1-5-21-7001-7002-7003-1004";
    const std::wstring otherRunKey = L"HKU\\" + otherUser + L"\\" + kRun;
    const auto otherRunValues = [=] {
        WriteText(HKEY_USERS, otherUser + L"\\" + kRun, L"Tool", L"t.exe");
        WriteText(HKEY_USERS, otherUser + L"\\" + kRun, L"Other", L"o.exe");
    };

    std::vector<Scenario> scenarios = {
        {"switch another user's value off",
         "DisableValue",
         otherRunValues,
         [=](Op& o) { return o.DisableValue(otherRunKey, L"Tool", KindValue); },
         Outcome::Moves,
         {MoveValue(otherRunKey, otherRunKey + kStore, L"Tool")}},
        {"switch another user's value on",
         "EnableValue",
         [=] {
             otherRunValues();
             WriteText(HKEY_USERS, otherUser + L"\\" + kRun + kStore, L"Stored", L"s.exe");
         },
         [=](Op& o) { return o.EnableValue(otherRunKey, L"Stored", KindValue); },
         Outcome::Moves,
         {MoveValue(otherRunKey + kStore, otherRunKey, L"Stored")}},
        // Values.
        {"switch a value off",
         "DisableValue",
         runValues,
         [](Op& o) { return o.DisableValue(kRunText, L"tool", KindValue); },
         Outcome::Moves,
         {MoveValue(kRunKey, kRunStore, L"Tool")}},
        {"switch off a value whose name holds a NUL",
         "DisableValue",
         [=] {
             WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"t.exe");
             WriteText(HKEY_CURRENT_USER, kRun, nulTool, L"evil.exe");
         },
         [=](Op& o) { return o.DisableValue(kRunText, nulTool, KindValue); },
         Outcome::Moves,
         {MoveValue(kRunKey, kRunStore, nulTool)}},
        {"switch off a value whose name holds a soft hyphen",
         "DisableValue",
         [=] {
             WriteText(HKEY_CURRENT_USER, kRun, L"Updater", L"u.exe");
             WriteText(HKEY_CURRENT_USER, kRun, softHyphen, L"evil.exe");
         },
         [=](Op& o) { return o.DisableValue(kRunText, softHyphen, KindValue); },
         Outcome::Moves,
         {MoveValue(kRunKey, kRunStore, softHyphen)}},
        {"switch off a value whose name is stored in other letters",
         "DisableValue",
         [] {
             WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"new.exe");
             WriteText(HKEY_CURRENT_USER, kRun + kStore, L"TOOL", L"old.exe");
         },
         [](Op& o) { return o.DisableValue(kRunText, L"Tool", KindValue); },
         Outcome::Refused,
         {}},
        {"switch off a value whose same copy is stored already",
         "DisableValue",
         [] {
             WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"t.exe");
             WriteText(HKEY_CURRENT_USER, kRun + kStore, L"Tool", L"t.exe");
         },
         [](Op& o) { return o.DisableValue(kRunText, L"Tool", KindValue); },
         Outcome::Moves,
         {RemoveValue(kRunKey, L"Tool")}},
        {"switch a value on",
         "EnableValue",
         [=] { storedValues(true); },
         [](Op& o) { return o.EnableValue(kRunText, L"Tool", KindValue); },
         Outcome::Moves,
         {MoveValue(kRunStore, kRunKey, L"Tool")}},
        {"switch the last stored value on",
         "EnableValue",
         [=] { storedValues(false); },
         [](Op& o) { return o.EnableValue(kRunText, L"Tool", KindValue); },
         Outcome::Moves,
         {MoveValue(kRunStore, kRunKey, L"Tool")}},
        {"switch on a value whose name is taken live",
         "EnableValue",
         [] {
             WriteText(HKEY_CURRENT_USER, kRun + kStore, L"Tool", L"old.exe");
             WriteText(HKEY_CURRENT_USER, kRun, L"tool", L"other.exe");
         },
         [](Op& o) { return o.EnableValue(kRunText, L"Tool", KindValue); },
         Outcome::Refused,
         {}},
        {"delete a stored value",
         "DeleteValueEntry",
         [=] { storedValues(true); },
         [](Op& o) { return o.DeleteValueEntry(kRunText, L"Tool", KindValue, EntryDisabled); },
         Outcome::Deletes,
         {RemoveValue(kRunStore, L"Tool")}},
        {"delete a value whose name holds a NUL",
         "DeleteValueEntry",
         [=] {
             WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"t.exe");
             WriteText(HKEY_CURRENT_USER, kRun, nulTool, L"evil.exe");
         },
         [=](Op& o) { return o.DeleteValueEntry(kRunText, nulTool, KindValue, EntryEnabled); },
         Outcome::Deletes,
         {RemoveValue(kRunKey, nulTool)}},

        // Windows' own startup switch.
        {"switch Windows' own switch on",
         "EnableStartupApproval",
         [=] { approvedValues(true); },
         [](Op& o) { return o.EnableStartupApproval(kApprovedKey, L"Tool"); },
         Outcome::Moves,
         {SetValue(kApprovedKey, L"Tool", REG_BINARY, Concat({2}, Zeros(11)))}},
        {"delete a value with its switch",
         "DeleteApprovedValueEntry",
         [=] { approvedValues(true); },
         [](Op& o) {
             return o.DeleteApprovedValueEntry(kRunText, L"Tool", KindValue, EntryOffByWindows, kApprovedKey);
         },
         Outcome::Deletes,
         {RemoveValue(kRunKey, L"Tool"), RemoveValue(kApprovedKey, L"Tool")},
         std::nullopt,
         {},
         true},
        {"delete a stored value with its switch",
         "DeleteApprovedValueEntry",
         [=] { approvedValues(false); },
         [](Op& o) { return o.DeleteApprovedValueEntry(kRunText, L"Tool", KindValue, EntryDisabled, kApprovedKey); },
         Outcome::Deletes,
         {RemoveValue(kRunStore, L"Tool"), RemoveValue(kApprovedKey, L"Tool")},
         std::nullopt,
         {},
         true},
        // A live value and a stored one of the same name share one switch value: it stays while
        // the other is there.
        {"delete a live value with its switch, a stored namesake kept",
         "DeleteApprovedValueEntry",
         [=] {
             approvedValues(true);
             WriteText(HKEY_CURRENT_USER, kRun + kStore, L"Tool", L"c:\\parked\\tool.exe");
         },
         [](Op& o) {
             return o.DeleteApprovedValueEntry(kRunText, L"Tool", KindValue, EntryOffByWindows, kApprovedKey);
         },
         Outcome::Deletes,
         {RemoveValue(kRunKey, L"Tool")}},
        {"delete a stored value with its switch, a live namesake kept",
         "DeleteApprovedValueEntry",
         [=] {
             approvedValues(false);
             WriteText(HKEY_CURRENT_USER, kRun, L"Tool", L"c:\\live\\tool.exe");
         },
         [](Op& o) { return o.DeleteApprovedValueEntry(kRunText, L"Tool", KindValue, EntryDisabled, kApprovedKey); },
         Outcome::Deletes,
         {RemoveValue(kRunStore, L"Tool")}},
        // A switch list that is a link, or is reached through one, holds another key's values:
        // nothing is changed.
        {"switch Windows' own switch on, the list a link",
         "EnableStartupApproval",
         linkedApprovals(false),
         [](Op& o) { return o.EnableStartupApproval(kApprovedKey, L"Tool"); },
         Outcome::Refused,
         {}},
        {"switch Windows' own switch on, the list below a link",
         "EnableStartupApproval",
         linkedApprovals(true),
         [](Op& o) { return o.EnableStartupApproval(kApprovedKey, L"Tool"); },
         Outcome::Refused,
         {}},
        {"delete a value with its switch, the list a link",
         "DeleteApprovedValueEntry",
         linkedApprovals(false),
         [](Op& o) {
             return o.DeleteApprovedValueEntry(kRunText, L"Tool", KindValue, EntryOffByWindows, kApprovedKey);
         },
         Outcome::Refused,
         {}},
        {"delete a value with its switch, the list below a link",
         "DeleteApprovedValueEntry",
         linkedApprovals(true),
         [](Op& o) {
             return o.DeleteApprovedValueEntry(kRunText, L"Tool", KindValue, EntryOffByWindows, kApprovedKey);
         },
         Outcome::Refused,
         {}},

        // Services.
        {"switch a service off",
         "DisableService",
         twoServices,
         [](Op& o) { return o.DisableService(kServicesText, L"svc", KindService); },
         Outcome::Moves,
         {SetValue(svc, L"TarnAutoRunDisable", REG_DWORD, Dword(2)), SetValue(svc, L"Start", REG_DWORD, Dword(4))}},
        {"switch off a service whose Start is short",
         "DisableService",
         [] {
             WriteService(L"Svc", 2);
             Write(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"Start", REG_DWORD, {3, 0});
         },
         [](Op& o) { return o.DisableService(kServicesText, L"Svc", KindService); },
         Outcome::Moves,
         {SetValue(svc, L"TarnAutoRunDisable", REG_DWORD, {3, 0}), SetValue(svc, L"Start", REG_DWORD, Dword(4))}},
        {"switch off a service with a stale kept value",
         "DisableService",
         serviceWithKept(2, 3),
         [](Op& o) { return o.DisableService(kServicesText, L"Svc", KindService); },
         Outcome::Moves,
         {SetValue(svc, L"TarnAutoRunDisable", REG_DWORD, Dword(2)), SetValue(svc, L"Start", REG_DWORD, Dword(4))},
         std::nullopt,
         {{svc, L"TarnAutoRunDisable"}}},
        {"switch off a service that is off",
         "DisableService",
         serviceWithKept(4, 2),
         [](Op& o) { return o.DisableService(kServicesText, L"Svc", KindService); },
         Outcome::Refused,
         {}},
        {"switch a service on",
         "EnableService",
         serviceWithKept(4, 3),
         [](Op& o) { return o.EnableService(kServicesText, L"Svc", KindService); },
         Outcome::Moves,
         {SetValue(svc, L"Start", REG_DWORD, Dword(3)), RemoveValue(svc, L"TarnAutoRunDisable")}},
        {"switch on a service whose kept value is stale",
         "EnableService",
         serviceWithKept(2, 3),
         [](Op& o) { return o.EnableService(kServicesText, L"Svc", KindService); },
         Outcome::Refused,
         {}},
        {"delete a service",
         "DeleteService",
         twoServices,
         [](Op& o) { return o.DeleteService(kServicesText, L"Svc", KindService); },
         Outcome::Deletes,
         {RemoveKey(svc)}},
        {"delete a service that holds a link",
         "DeleteService",
         [] {
             WriteBystander();
             WriteService(L"Svc", 2);
             CreateLink(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"Linked", HKEY_LOCAL_MACHINE,
                        kBystander + L"\\Target");
         },
         [](Op& o) { return o.DeleteService(kServicesText, L"Svc", KindService); },
         Outcome::Deletes,
         {RemoveKey(svc)}},
        {"switch off a service whose name holds a NUL",
         "DisableService",
         [=] {
             WriteService(L"EvilSvc", 2);
             CreateNamedKey(HKEY_LOCAL_MACHINE, kServices, nulService);
             Write(HKEY_LOCAL_MACHINE, kServices + L"\\" + nulService, L"Start", REG_DWORD, Dword(3));
         },
         [=](Op& o) { return o.DisableService(kServicesText, nulService, KindService); },
         Outcome::Moves,
         {SetValue(kServicesKey + L"\\" + nulService, L"TarnAutoRunDisable", REG_DWORD, Dword(3)),
          SetValue(kServicesKey + L"\\" + nulService, L"Start", REG_DWORD, Dword(4))}},
        {"delete a service whose name holds a NUL",
         "DeleteService",
         [=] {
             WriteService(L"EvilSvc", 2);
             CreateNamedKey(HKEY_LOCAL_MACHINE, kServices, nulService);
             Write(HKEY_LOCAL_MACHINE, kServices + L"\\" + nulService, L"Start", REG_DWORD, Dword(3));
         },
         [=](Op& o) { return o.DeleteService(kServicesText, nulService, KindService); },
         Outcome::Deletes,
         {RemoveKey(kServicesKey + L"\\" + nulService)}},

        // Keys, one level.
        {"switch a key off",
         "DisableKey",
         [=] { hijacks(kOptions); },
         [](Op& o) { return o.DisableKey(kOptionsText, L"EXAMPLE.EXE", KindKey); },
         Outcome::Moves,
         {MoveKey(kOptionsKey + L"\\example.exe", kOptionsStore + L"\\example.exe")}},
        {"switch a key on",
         "EnableKey",
         [=] {
             hijacks(kOptions + kStore);
             WriteHijack(kOptions + kStore, L"kept.exe", L"c:\\k.exe");
         },
         [](Op& o) { return o.EnableKey(kOptionsText, L"example.exe", KindKey); },
         Outcome::Moves,
         {MoveKey(kOptionsStore + L"\\example.exe", kOptionsKey + L"\\example.exe")}},
        {"delete a key",
         "DeleteKeyEntry",
         [=] { hijacks(kOptions); },
         [](Op& o) { return o.DeleteKeyEntry(kOptionsText, L"example.exe", KindKey, EntryEnabled); },
         Outcome::Deletes,
         {RemoveKey(kOptionsKey + L"\\example.exe")}},
        {"switch off a key whose name is stored in other letters",
         "DisableKey",
         [] {
             WriteHijack(kOptions, L"example.exe", L"c:\\new.exe");
             WriteHijack(kOptions + kStore, L"EXAMPLE.EXE", L"c:\\old.exe");
         },
         [](Op& o) { return o.DisableKey(kOptionsText, L"example.exe", KindKey); },
         Outcome::Refused,
         {}},
        {"switch on a key whose name is live",
         "EnableKey",
         [] {
             WriteHijack(kOptions + kStore, L"example.exe", L"c:\\old.exe");
             WriteHijack(kOptions, L"Example.exe", L"c:\\new.exe");
         },
         [](Op& o) { return o.EnableKey(kOptionsText, L"example.exe", KindKey); },
         Outcome::Refused,
         {}},
        {"switch off a volatile key with a class",
         "DisableKey",
         [] {
             CreateNamedKey(HKEY_LOCAL_MACHINE, kOptions, L"vol.exe", REG_OPTION_VOLATILE, L"HijackClass");
             WriteText(HKEY_LOCAL_MACHINE, kOptions + L"\\vol.exe", L"Debugger", L"c:\\v.exe");
         },
         [](Op& o) { return o.DisableKey(kOptionsText, L"vol.exe", KindKey); },
         Outcome::Moves,
         {MoveKey(kOptionsKey + L"\\vol.exe", kOptionsStore + L"\\vol.exe")}},
        {"switch off a key whose name holds a NUL",
         "DisableKey",
         [=] {
             WriteHijack(kOptions, L"evil.exe", L"c:\\plain.exe");
             WriteHijack(kOptions, nulHijack, L"c:\\evil.exe");
         },
         [=](Op& o) { return o.DisableKey(kOptionsText, nulHijack, KindKey); },
         Outcome::Moves,
         {MoveKey(kOptionsKey + L"\\" + nulHijack, kOptionsStore + L"\\" + nulHijack)}},
        {"delete a key whose name holds a NUL",
         "DeleteKeyEntry",
         [=] {
             WriteHijack(kOptions, L"evil.exe", L"c:\\plain.exe");
             WriteHijack(kOptions, nulHijack, L"c:\\evil.exe");
         },
         [=](Op& o) { return o.DeleteKeyEntry(kOptionsText, nulHijack, KindKey, EntryEnabled); },
         Outcome::Deletes,
         {RemoveKey(kOptionsKey + L"\\" + nulHijack)}},
        {"switch off a key that is a link",
         "DisableKey",
         [] {
             WriteBystander();
             CreateKey(HKEY_LOCAL_MACHINE, kOptions);
             CreateLink(HKEY_LOCAL_MACHINE, kOptions, L"link.exe", HKEY_LOCAL_MACHINE, kBystander + L"\\Target");
         },
         [](Op& o) { return o.DisableKey(kOptionsText, L"link.exe", KindKey); },
         Outcome::Refused,
         {}},
        {"delete a key that is a link",
         "DeleteKeyEntry",
         [] {
             WriteBystander();
             CreateKey(HKEY_LOCAL_MACHINE, kOptions);
             CreateLink(HKEY_LOCAL_MACHINE, kOptions, L"link.exe", HKEY_LOCAL_MACHINE, kBystander + L"\\Target");
         },
         [](Op& o) { return o.DeleteKeyEntry(kOptionsText, L"link.exe", KindKey, EntryEnabled); },
         Outcome::Deletes,
         {RemoveKey(kOptionsKey + L"\\link.exe")}},

        // Key trees.
        {"switch a key tree off",
         "DisableKeyTree",
         [] {
             WriteArchiverTree(kMenus + L"\\Archiver");
             WriteText(HKEY_LOCAL_MACHINE, kMenus + L"\\Other", L"", L"{1}");
         },
         [](Op& o) { return o.DisableKeyTree(kMenusText, L"Archiver", KindKey); },
         Outcome::Moves,
         {MoveKey(kMenusKey + L"\\Archiver", kMenusStore + L"\\Archiver")}},
        {"switch a key tree on",
         "EnableKeyTree",
         [] {
             WriteArchiverTree(kMenus + kStore + L"\\Archiver");
             WriteText(HKEY_LOCAL_MACHINE, kMenus + L"\\Other", L"", L"{1}");
         },
         [](Op& o) { return o.EnableKeyTree(kMenusText, L"Archiver", KindKey); },
         Outcome::Moves,
         {MoveKey(kMenusStore + L"\\Archiver", kMenusKey + L"\\Archiver")}},
        {"delete a stored key tree",
         "DeleteKeyTreeEntry",
         [] {
             WriteArchiverTree(kMenus + kStore + L"\\Archiver");
             WriteText(HKEY_LOCAL_MACHINE, kMenus + kStore + L"\\Kept", L"", L"{2}");
         },
         [](Op& o) { return o.DeleteKeyTreeEntry(kMenusText, L"Archiver", KindKey, EntryDisabled); },
         Outcome::Deletes,
         {RemoveKey(kMenusStore + L"\\Archiver")}},
        {"switch off a tree with volatile keys and classes",
         "DisableKeyTree",
         [] {
             CreateNamedKey(HKEY_LOCAL_MACHINE, kMenus, L"Archiver", REG_OPTION_NON_VOLATILE, L"ArchiverClass");
             WriteText(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver", L"", L"{0A0B0C0D-0000-0000-0000-000000000001}");
             CreateNamedKey(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver", L"Session", REG_OPTION_VOLATILE, L"Volatile");
             CreateNamedKey(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver\\Session", L"Deep", REG_OPTION_VOLATILE);
             WriteText(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver\\Session\\Deep", L"Path", L"x.dll");
         },
         [](Op& o) { return o.DisableKeyTree(kMenusText, L"Archiver", KindKey); },
         Outcome::Moves,
         {MoveKey(kMenusKey + L"\\Archiver", kMenusStore + L"\\Archiver")}},
        {"switch off a tree that holds a link",
         "DisableKeyTree",
         [] {
             WriteBystander();
             WriteArchiverTree(kMenus + L"\\Archiver");
             CreateLink(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver\\Sub", L"Linked", HKEY_LOCAL_MACHINE,
                        kBystander + L"\\Target");
         },
         [](Op& o) { return o.DisableKeyTree(kMenusText, L"Archiver", KindKey); },
         Outcome::Refused,
         {}},
        {"delete a tree that holds a link",
         "DeleteKeyTreeEntry",
         [] {
             WriteBystander();
             WriteArchiverTree(kMenus + L"\\Archiver");
             CreateLink(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver\\Sub", L"Linked", HKEY_LOCAL_MACHINE,
                        kBystander + L"\\Target");
         },
         [](Op& o) { return o.DeleteKeyTreeEntry(kMenusText, L"Archiver", KindKey, EntryEnabled); },
         Outcome::Deletes,
         {RemoveKey(kMenusKey + L"\\Archiver")}},
        {"switch on a tree whose name is live",
         "EnableKeyTree",
         [] {
             WriteArchiverTree(kMenus + kStore + L"\\Archiver");
             WriteText(HKEY_LOCAL_MACHINE, kMenus + L"\\archiver", L"", L"{live}");
         },
         [](Op& o) { return o.EnableKeyTree(kMenusText, L"Archiver", KindKey); },
         Outcome::Refused,
         {}},

        // List items.
        {"switch a Userinit item off",
         "DisableListItem",
         [] { WriteLists(false); },
         [](Op& o) { return o.DisableListItem(kUserinitText, L"Userinit", L"c:\\x\\other.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Userinit", REG_SZ, Text(userinitText)),
          SetValue(kWinlogonStore, L"Userinit", REG_SZ, Text(other))},
         Watch(kWinlogonKey, L"Userinit")},
        {"switch a Shell item off",
         "DisableListItem",
         [] { WriteLists(false); },
         [](Op& o) { return o.DisableListItem(kShellText, L"Shell", L"tray.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Shell", REG_SZ, Text(L"explorer.exe ")),
          SetValue(kWinlogonStore, L"Shell", REG_SZ, Text(L"tray.exe "))},
         Watch(kWinlogonKey, L"Shell")},
        {"switch an AppInit_DLLs item off",
         "DisableListItem",
         [] { WriteLists(false); },
         [](Op& o) { return o.DisableListItem(kAppInitText, L"AppInit_DLLs", L"b.dll", KindListItem); },
         Outcome::Moves,
         {SetValue(kWindowsKey, L"AppInit_DLLs", REG_EXPAND_SZ, Text(L"a.dll,")),
          SetValue(kWindowsStore, L"AppInit_DLLs", REG_EXPAND_SZ, Text(L"b.dll,"))},
         Watch(kWindowsKey, L"AppInit_DLLs")},
        {"switch a Userinit item on",
         "EnableListItem",
         [] { WriteLists(true); },
         [](Op& o) { return o.EnableListItem(kUserinitText, L"Userinit", L"C:\\x\\other.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Userinit", REG_SZ, Text(userinitText + other)),
          RemoveValue(kWinlogonStore, L"Userinit")},
         Watch(kWinlogonKey, L"Userinit")},
        {"switch a Shell item on",
         "EnableListItem",
         [] { WriteLists(true); },
         [](Op& o) { return o.EnableListItem(kShellText, L"Shell", L"tray.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Shell", REG_SZ, Text(L"explorer.exe tray.exe ")),
          RemoveValue(kWinlogonStore, L"Shell")},
         Watch(kWinlogonKey, L"Shell")},
        {"switch an AppInit_DLLs item on",
         "EnableListItem",
         [] { WriteLists(true); },
         [](Op& o) { return o.EnableListItem(kAppInitText, L"AppInit_DLLs", L"b.dll", KindListItem); },
         Outcome::Moves,
         {SetValue(kWindowsKey, L"AppInit_DLLs", REG_EXPAND_SZ, Text(L"a.dll,b.dll,")),
          RemoveValue(kWindowsStore, L"AppInit_DLLs")},
         Watch(kWindowsKey, L"AppInit_DLLs")},
        {"switch a Load item off",
         "DisableListItem",
         [] { WriteText(HKEY_CURRENT_USER, kWindows, L"Load", L"a.exe  b.exe"); },
         [](Op& o) { return o.DisableListItem(kLoadText, L"Load", L"b.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kUserWindowsKey, L"Load", REG_SZ, Text(L"a.exe,")),
          SetValue(kUserWindowsStore, L"Load", REG_SZ, Text(L"b.exe,"))},
         Watch(kUserWindowsKey, L"Load")},
        {"switch a Load item on",
         "EnableListItem",
         [] {
             WriteText(HKEY_CURRENT_USER, kWindows, L"Load", L"a.exe,");
             WriteText(HKEY_CURRENT_USER, kWindows + kStore, L"Load", L"b.exe,");
         },
         [](Op& o) { return o.EnableListItem(kLoadText, L"Load", L"b.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kUserWindowsKey, L"Load", REG_SZ, Text(L"a.exe,b.exe,")), RemoveValue(kUserWindowsStore, L"Load")},
         Watch(kUserWindowsKey, L"Load")},
        // A task hidden from the scheduler: both of its keys kept in the cache's store, then gone.
        {"delete a task hidden from the scheduler",
         "DeleteCachedTask",
         [] {
             WriteText(HKEY_LOCAL_MACHINE, kTaskCache + L"\\Tree\\Hidden", L"Id", kTaskId);
             Write(HKEY_LOCAL_MACHINE, kTaskCache + L"\\Tasks\\" + kTaskId, L"Actions", REG_BINARY, Pattern(40));
         },
         [](Op& o) { return o.DeleteCachedTask(kTaskCacheKey + L"\\Tree\\Hidden", kTaskId); },
         Outcome::Deletes,
         {[](RegistryDump& expected, const RegistryDump& actual) {
              EnsureKey(expected, actual, kTaskCacheKey + L"\\TarnAutoRunDisable");
          },
          MoveKey(kTaskCacheKey + L"\\Tree\\Hidden", kTaskCacheKey + L"\\TarnAutoRunDisable\\Tree\\Hidden"),
          MoveKey(kTaskCacheKey + L"\\Tasks\\" + kTaskId, kTaskCacheKey + L"\\TarnAutoRunDisable\\Tasks\\" + kTaskId)}},
        // The session manager's list: the string keeps its place; the store knows where it stood.
        {"switch a BootExecute string off",
         "DisableListItem",
         [] { Write(HKEY_LOCAL_MACHINE, kSessionManager, L"BootExecute", REG_MULTI_SZ, Utf16(kBootList)); },
         [](Op& o) { return o.DisableListItem(kBootText, L"BootExecute", L"autocheck autochk *", KindListItem); },
         Outcome::Moves,
         {SetValue(kSessionKey, L"BootExecute", REG_MULTI_SZ, Utf16(L"native -x\0\0"s)),
          SetValue(kSessionStore, L"BootExecute", REG_MULTI_SZ, Utf16(L"autocheck autochk *\0\0"s)),
          SetValue(kSessionStore, L"BootExecute.TarnOrder", REG_SZ, Text(L"0,"))},
         Watch(kSessionKey, L"BootExecute"),
         {{kSessionStore, L"BootExecute.TarnOrder"}}},
        {"switch a BootExecute string on",
         "EnableListItem",
         [] {
             Write(HKEY_LOCAL_MACHINE, kSessionManager, L"BootExecute", REG_MULTI_SZ, Utf16(L"native -x\0\0"s));
             Write(HKEY_LOCAL_MACHINE, kSessionManager + kStore, L"BootExecute", REG_MULTI_SZ,
                   Utf16(L"autocheck autochk *\0\0"s));
             WriteText(HKEY_LOCAL_MACHINE, kSessionManager + kStore, L"BootExecute.TarnOrder", L"0,");
         },
         [](Op& o) { return o.EnableListItem(kBootText, L"BootExecute", L"autocheck autochk *", KindListItem); },
         Outcome::Moves,
         {SetValue(kSessionKey, L"BootExecute", REG_MULTI_SZ, Utf16(kBootList)), RemoveKey(kSessionStore)},
         Watch(kSessionKey, L"BootExecute"),
         {{kSessionStore, L"BootExecute.TarnOrder"}}},
        {"switch a SecurityProviders name off",
         "DisableListItem",
         [] { WriteText(HKEY_LOCAL_MACHINE, kProviders, L"SecurityProviders", L"credssp.dll, evil.dll"); },
         [](Op& o) { return o.DisableListItem(kProvidersText, L"SecurityProviders", L"evil.dll", KindListItem); },
         Outcome::Moves,
         {SetValue(kProvidersKey, L"SecurityProviders", REG_SZ, Text(L"credssp.dll,")),
          SetValue(kProvidersKey + kStore, L"SecurityProviders", REG_SZ, Text(L"evil.dll,")),
          SetValue(kProvidersKey + kStore, L"SecurityProviders.TarnOrder", REG_SZ, Text(L"1,"))},
         Watch(kProvidersKey, L"SecurityProviders"),
         {{kProvidersKey + kStore, L"SecurityProviders.TarnOrder"}}},
        {"delete a live Userinit item",
         "DeleteListItem",
         [] { WriteLists(false); },
         [](Op& o) {
             return o.DeleteListItem(L"HKLM\\" + kWinlogon, L"Userinit", L"C:\\x\\other.exe", KindListItem,
                                     EntryEnabled);
         },
         Outcome::Deletes,
         {SetValue(kWinlogonKey, L"Userinit", REG_SZ, Text(userinitText))},
         Watch(kWinlogonKey, L"Userinit", L"C:\\x\\other.exe")},
        {"delete a stored Shell item",
         "DeleteListItem",
         [] { WriteLists(true); },
         [](Op& o) {
             return o.DeleteListItem(L"HKLM\\" + kWinlogon, L"Shell", L"tray.exe", KindListItem, EntryDisabled);
         },
         Outcome::Deletes,
         {RemoveValue(kWinlogonStore, L"Shell")},
         Watch(kWinlogonKey, L"Shell", L"tray.exe")},
        {"delete a live AppInit_DLLs item",
         "DeleteListItem",
         [] { WriteLists(false); },
         [](Op& o) {
             return o.DeleteListItem(L"HKLM\\" + kWindows, L"AppInit_DLLs", L"a.dll", KindListItem, EntryEnabled);
         },
         Outcome::Deletes,
         {SetValue(kWindowsKey, L"AppInit_DLLs", REG_EXPAND_SZ, Text(L"b.dll,"))},
         Watch(kWindowsKey, L"AppInit_DLLs", L"a.dll")},
        {"switch off an item of a multi-string Userinit",
         "DisableListItem",
         [=] {
             Write(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", REG_MULTI_SZ,
                   Utf16(userinitText + other + L"\0second\0\0"s));
         },
         [](Op& o) { return o.DisableListItem(kUserinitText, L"Userinit", L"C:\\x\\other.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Userinit", REG_MULTI_SZ, Utf16(userinitText + L"\0second\0\0"s)),
          SetValue(kWinlogonStore, L"Userinit", REG_MULTI_SZ, Concat(Utf16(other), Zeros(4)))},
         Watch(kWinlogonKey, L"Userinit")},
        {"switch off an item of a list with a NUL inside",
         "DisableListItem",
         [] { Write(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", REG_SZ, Utf16(L"a.dll,b.dll\0hidden.dll\0"s)); },
         [](Op& o) { return o.DisableListItem(kAppInitText, L"AppInit_DLLs", L"b.dll", KindListItem); },
         Outcome::Moves,
         {SetValue(kWindowsKey, L"AppInit_DLLs", REG_SZ, Utf16(L"a.dll,\0hidden.dll\0"s)),
          SetValue(kWindowsStore, L"AppInit_DLLs", REG_SZ, Text(L"b.dll,"))},
         Watch(kWindowsKey, L"AppInit_DLLs")},
        {"switch off the only item of a list with more after it",
         "DisableListItem",
         [] { Write(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", REG_MULTI_SZ, Utf16(L"explorer.exe\0x\0\0"s)); },
         [](Op& o) { return o.DisableListItem(kShellText, L"Shell", L"explorer.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Shell", REG_MULTI_SZ, Utf16(L"\0x\0\0"s)),
          SetValue(kWinlogonStore, L"Shell", REG_MULTI_SZ, Concat(Utf16(L"explorer.exe "), Zeros(4)))},
         Watch(kWinlogonKey, L"Shell")},
        {"switch off an item of an expandable Userinit",
         "DisableListItem",
         [=] {
             WriteText(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", L"%SystemRoot%\\system32\\userinit.exe," + other,
                       REG_EXPAND_SZ);
         },
         [](Op& o) { return o.DisableListItem(kUserinitText, L"Userinit", L"C:\\x\\other.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Userinit", REG_EXPAND_SZ, Text(L"%SystemRoot%\\system32\\userinit.exe,")),
          SetValue(kWinlogonStore, L"Userinit", REG_EXPAND_SZ, Text(other))},
         Watch(kWinlogonKey, L"Userinit")},
        {"switch off an item into a stored list of another type",
         "DisableListItem",
         [] {
             WriteText(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", L"u.exe,a.exe,b.exe,", REG_EXPAND_SZ);
             WriteText(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", L"c.exe,", REG_SZ);
         },
         [](Op& o) { return o.DisableListItem(kUserinitText, L"Userinit", L"b.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Userinit", REG_EXPAND_SZ, Text(L"u.exe,a.exe,")),
          SetValue(kWinlogonStore, L"Userinit", REG_SZ, Text(L"c.exe,b.exe,"))},
         Watch(kWinlogonKey, L"Userinit")},
        {"switch off a DLL of a space-separated AppInit list",
         "DisableListItem",
         [] { WriteText(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", L"a.dll  b.dll"); },
         [](Op& o) { return o.DisableListItem(kAppInitText, L"AppInit_DLLs", L"b.dll", KindListItem); },
         Outcome::Moves,
         {SetValue(kWindowsKey, L"AppInit_DLLs", REG_SZ, Text(L"a.dll,")),
          SetValue(kWindowsStore, L"AppInit_DLLs", REG_SZ, Text(L"b.dll,"))},
         Watch(kWindowsKey, L"AppInit_DLLs")},
        {"switch an item on into a multi-string list",
         "EnableListItem",
         [=] {
             Write(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", REG_MULTI_SZ, Utf16(userinitText + L"\0second\0\0"s));
             WriteText(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"Userinit", other);
         },
         [](Op& o) { return o.EnableListItem(kUserinitText, L"Userinit", L"C:\\x\\other.exe", KindListItem); },
         Outcome::Moves,
         {SetValue(kWinlogonKey, L"Userinit", REG_MULTI_SZ, Utf16(userinitText + other + L"\0second\0\0"s)),
          RemoveValue(kWinlogonStore, L"Userinit")},
         Watch(kWinlogonKey, L"Userinit")},

        // Hostile starting states of the second round.
        {"switch off the store as if it were an entry",
         "DisableKeyTree",
         [] {
             WriteArchiverTree(kMenus + kStore + L"\\Archiver");
             WriteText(HKEY_LOCAL_MACHINE, kMenus + kStore, L"Handler", L"{0A0B0C0D-0000-0000-0000-000000000002}");
         },
         [](Op& o) { return o.DisableKeyTree(kMenusText, L"tarnautorundisable", KindKey); },
         Outcome::Refused,
         {}},
        {"delete the store as if it were an entry",
         "DeleteKeyTreeEntry",
         [] { WriteArchiverTree(kMenus + kStore + L"\\Archiver"); },
         [](Op& o) { return o.DeleteKeyTreeEntry(kMenusText, L"TarnAutoRunDisable", KindKey, EntryEnabled); },
         Outcome::Refused,
         {}},
        {"switch on a key that is a link in the store",
         "EnableKey",
         [] {
             WriteBystander();
             CreateKey(HKEY_LOCAL_MACHINE, kOptions + kStore);
             CreateLink(HKEY_LOCAL_MACHINE, kOptions + kStore, L"link.exe", HKEY_LOCAL_MACHINE,
                        kBystander + L"\\Target");
         },
         [](Op& o) { return o.EnableKey(kOptionsText, L"link.exe", KindKey); },
         Outcome::Refused,
         {}},
        {"delete a service whose Parameters holds a link-typed value",
         "DeleteService",
         [] {
             WriteService(L"Svc", 2);
             Write(HKEY_LOCAL_MACHINE, kServices + L"\\Svc\\Parameters", kLinkValueName, REG_LINK,
                   Utf16(NativeKeyName(HKEY_LOCAL_MACHINE, kServices)));
             WriteText(HKEY_LOCAL_MACHINE, kServices + L"\\Svc\\Parameters\\Deep", L"ServiceDll", L"x.dll");
         },
         [](Op& o) { return o.DeleteService(kServicesText, L"Svc", KindService); },
         Outcome::Deletes,
         {RemoveKey(svc)}},
        {"switch off a tree whose key holds a link-typed value",
         "DisableKeyTree",
         [] {
             WriteArchiverTree(kMenus + L"\\Archiver");
             Write(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver\\Sub", kLinkValueName, REG_LINK,
                   Utf16(NativeKeyName(HKEY_LOCAL_MACHINE, kMenus)));
         },
         [](Op& o) { return o.DisableKeyTree(kMenusText, L"Archiver", KindKey); },
         Outcome::Moves,
         {MoveKey(kMenusKey + L"\\Archiver", kMenusStore + L"\\Archiver")}},
        {"switch off a tree whose probe names are taken",
         "DisableKeyTree",
         [] {
             WriteArchiverTree(kMenus + L"\\Archiver");
             for (int n = 1; n <= 2; ++n) {
                 const std::wstring probe = kStore.substr(1) + L".probe-" + std::to_wstring(::GetCurrentProcessId()) +
                                            L"-" + std::to_wstring(n);
                 WriteText(HKEY_LOCAL_MACHINE, kMenus + L"\\Archiver\\" + probe, L"Owner", L"another program");
             }
         },
         [](Op& o) { return o.DisableKeyTree(kMenusText, L"Archiver", KindKey); },
         Outcome::Moves,
         {MoveKey(kMenusKey + L"\\Archiver", kMenusStore + L"\\Archiver")}},
    };
    // The 32-bit view of a 64-bit Windows, beside a 64-bit registration of the same name.
    const std::wstring wowRun = L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::wstring wowOverlays =
        L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
    const std::wstring overlays =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
    const std::wstring wowWindows = L"Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    scenarios.push_back({"switch off a value of the 32-bit view",
                         "DisableValue",
                         [=] {
                             WriteText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                       L"Tool", L"c:\\64\\tool.exe");
                             WriteText(HKEY_LOCAL_MACHINE, wowRun, L"Tool", L"c:\\32\\tool.exe");
                         },
                         [=](Op& o) { return o.DisableValue(L"HKLM\\" + wowRun, L"Tool", KindValue); },
                         Outcome::Moves,
                         {MoveValue(L"HKLM\\" + wowRun, L"HKLM\\" + wowRun + kStore, L"Tool")}});
    scenarios.push_back(
        {"switch off a key tree of the 32-bit view",
         "DisableKeyTree",
         [=] {
             WriteArchiverTree(overlays + L"\\Archiver");
             WriteArchiverTree(wowOverlays + L"\\Archiver");
         },
         [=](Op& o) { return o.DisableKeyTree(L"HKLM\\" + wowOverlays, L"Archiver", KindKey); },
         Outcome::Moves,
         {MoveKey(L"HKLM\\" + wowOverlays + L"\\Archiver", L"HKLM\\" + wowOverlays + kStore + L"\\Archiver")}});
    scenarios.push_back({"switch off an AppInit_DLLs item of the 32-bit view",
                         "DisableListItem",
                         [=] {
                             WriteText(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", L"a.dll,b.dll", REG_EXPAND_SZ);
                             WriteText(HKEY_LOCAL_MACHINE, wowWindows, L"AppInit_DLLs", L"a.dll,b.dll", REG_EXPAND_SZ);
                         },
                         [=](Op& o) {
                             return o.DisableListItem(L"HKLM\\" + wowWindows + L"\\AppInit_DLLs", L"AppInit_DLLs",
                                                      L"b.dll", KindListItem);
                         },
                         Outcome::Moves,
                         {SetValue(L"HKLM\\" + wowWindows, L"AppInit_DLLs", REG_EXPAND_SZ, Text(L"a.dll,")),
                          SetValue(L"HKLM\\" + wowWindows + kStore, L"AppInit_DLLs", REG_EXPAND_SZ, Text(L"b.dll,"))},
                         Watch(L"HKLM\\" + wowWindows, L"AppInit_DLLs")});
    for (Scenario& scenario : linkedStores) {
        scenarios.push_back(std::move(scenario));
    }
    return scenarios;
}

}  // namespace tarn::test
