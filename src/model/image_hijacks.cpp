#include "model/image_hijacks.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "model/key_identity.h"

#include <cwchar>

namespace tarn {

namespace {

constexpr wchar_t kOptionsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
constexpr wchar_t kSilentExitPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\SilentProcessExit";
constexpr wchar_t kOptionsCopyPath[] =
    L"Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
constexpr wchar_t kCommandProcessor[] = L"Software\\Microsoft\\Command Processor";
constexpr const wchar_t* kExecutableClasses[] = {L"exefile", L"batfile", L"cmdfile", L"comfile",
                                                 L"htafile", L"piffile", L"scrfile"};
constexpr const wchar_t* kExecutableVerbs[] = {L"open", L"runas"};

constexpr wchar_t kCommandHookTechnique[] = L"T1546";
constexpr wchar_t kOpenCommandTechnique[] = L"T1546.001";
// "GlobalFlag" 0x200: the silent process exit monitor is on for the program.
constexpr DWORD kSilentExitFlag = 0x200;

std::wstring Hex(DWORD value) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%lX", static_cast<unsigned long>(value));
    return text;
}

// Windows' own open commands of executable types: the file runs itself.
bool IsOwnOpenCommand(const std::wstring& command) {
    const std::size_t first = command.find_first_not_of(L" ");
    const std::wstring text =
        first == std::wstring::npos ? L"" : command.substr(first, command.find_last_not_of(L" ") + 1 - first);
    for (const wchar_t* own : {L"\"%1\" %*", L"\"%1\"", L"\"%1\" /S", L"%1 %*", L"%1"}) {
        if (EqualsNoCaseAscii(text, own)) {
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t CTarnAutoRunImageHijacks::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kOptionsPath,
                     [&](RegKey& key, const ReadContext& at) { ReadDebuggers(key, at); });
    // Both views share the options; a copy left at the 32-bit path is read too, unless it is the
    // same key.
    const auto options = NativeKeyNameOf(HKEY_LOCAL_MACHINE, kOptionsPath, false);
    const auto copy = kTwoRegistryViews ? NativeKeyNameOf(HKEY_LOCAL_MACHINE, kOptionsCopyPath, false) : std::nullopt;
    if (copy && !(options && SameNativeKeyName(*options, *copy))) {
        ReadOneKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kOptionsCopyPath, RegistryView::Wow32,
                            [&](RegKey& key, const ReadContext& at) { ReadDebuggers(key, at); });
    }
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kSilentExitPath,
                     [&](RegKey& key, const ReadContext& at) { ReadSilentExits(key, at); });
    ReadCommandHooks(UserPlaces{HKEY_LOCAL_MACHINE, L"HKLM", HKEY_LOCAL_MACHINE, L"HKLM\\Software\\Classes"});
    ForEachUser([&](const UserPlaces& places) { ReadCommandHooks(places); });
    return 0;
}

void CTarnAutoRunImageHijacks::ReadCommandHooks(const UserPlaces& places) {
    if (const auto place = places.Of(kCommandProcessor)) {
        ReadKeyThenStore(place->root, place->rootName, place->path, [&](RegKey& key, const ReadContext& live) {
            ReadContext at = live;
            at.technique = kCommandHookTechnique;
            ReadCommandValue(key, at, L"AutoRun", L"AutoRun", true);
        });
    }
    for (const wchar_t* type : kExecutableClasses) {
        for (const wchar_t* verb : kExecutableVerbs) {
            const std::wstring path = std::wstring(L"Software\\Classes\\") + type + L"\\shell\\" + verb + L"\\command";
            const auto place = places.Of(path);
            if (!place) {
                continue;
            }
            ReadKeyThenStore(place->root, place->rootName, place->path, [&](RegKey& key, const ReadContext& live) {
                ReadContext at = live;
                at.technique = kOpenCommandTechnique;
                ReadCommandValue(key, at, L"", std::wstring(type) + L"\\shell\\" + verb, false);
            });
        }
    }
}

void CTarnAutoRunImageHijacks::ReadCommandValue(RegKey& key,
                                                const ReadContext& at,
                                                const wchar_t* valueName,
                                                const std::wstring& shownName,
                                                bool always) {
    const auto value = FindValue(key, valueName);
    if (value.failed()) {
        Unreadable(at.location, key.status());
    }
    if (!value.found()) {
        return;
    }
    const std::wstring command = TextOf(value.item);
    // An open command of Windows' own form runs the file itself: nothing starts beside it.
    if (!always && IsOwnOpenCommand(command)) {
        return;
    }
    AddValueEntry(value.item, at, shownName);
}

void CTarnAutoRunImageHijacks::ReadDebuggers(RegKey& key, const ReadContext& at) {
    SubKeysOf(key, at.location, [&](const std::wstring& name) {
        RegKey options;
        if (!OpenOrReport(options, key.handle(), name, JoinKeyText(at.location, name))) {
            return;
        }
        AutoRunEntry pattern = NewEntry(at);
        pattern.name = name;
        pattern.subKeyName = name;
        pattern.keyPath = JoinKeyText(at.location, name);
        pattern.locateKind = LocateKey;
        pattern.entryKind = KindKey;
        const auto debugger = FindValue(options, L"Debugger");
        const auto verifier = FindValue(options, L"VerifierDlls");
        if (debugger.failed() || verifier.failed()) {
            Unreadable(JoinKeyText(at.location, name), options.status());
        }
        if (debugger.found()) {
            AutoRunEntry entry = pattern;
            const std::wstring command = TextOf(debugger.item);
            entry.commandLine = command;
            AddSharedResolved(std::move(entry), command, at);
        }
        // Application verifier DLLs, loaded into the program: one entry each.
        if (verifier.found()) {
            for (const std::wstring& dll : SplitListItems(TextOf(verifier.item), ListSyntax::AppInit)) {
                AutoRunEntry entry = pattern;
                entry.commandLine = dll;
                AddSharedResolved(std::move(entry), SystemDllCommand(dll), at);
            }
        }
    });
}

void CTarnAutoRunImageHijacks::AddSharedResolved(AutoRunEntry entry, std::wstring command, const ReadContext& at) {
    // A key both views share is read by 32-bit programs too: a file only they find (in SysWOW64)
    // is the one they run.
    if (kTwoRegistryViews && at.view == RegistryView::Native && !Resolves(command, RegistryView::Native) &&
        Resolves(command, RegistryView::Wow32)) {
        entry.view = static_cast<int32_t>(RegistryView::Wow32);
    }
    AddResolved(std::move(entry), command, at);
}

void CTarnAutoRunImageHijacks::ReadSilentExits(RegKey& key, const ReadContext& at) {
    SubKeysOf(key, at.location, [&](const std::wstring& name) {
        RegKey exit;
        if (!OpenOrReport(exit, key.handle(), name, JoinKeyText(at.location, name))) {
            return;
        }
        const auto monitor = FindValue(exit, L"MonitorProcess");
        if (!monitor.found()) {
            return;
        }
        AutoRunEntry entry = NewEntry(at);
        entry.name = name;
        entry.subKeyName = name;
        entry.keyPath = JoinKeyText(at.location, name);
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        const std::wstring command = TextOf(monitor.item);
        entry.commandLine = command;
        // The monitor runs only while the program's own options turn it on.
        RegKey options;
        DWORD globalFlag = 0;
        if (options.OpenRead(at.root, JoinKeyText(kOptionsPath, name))) {
            globalFlag = options.ReadDword(L"GlobalFlag", 0);
        }
        entry.details = L"ReportingMode=" + Hex(exit.ReadDword(L"ReportingMode", 0)) + L"    GlobalFlag=" +
                        Hex(globalFlag) + ((globalFlag & kSilentExitFlag) != 0 ? L"（监视已开启）" : L"（监视未开启）");
        AddSharedResolved(std::move(entry), command, at);
    });
}

}  // namespace tarn
