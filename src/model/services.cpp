#include "model/services.h"

#include "model/key_text.h"

#include <optional>

namespace tarn {

namespace {

constexpr wchar_t kServicesPath[] = L"System\\CurrentControlSet\\Services";
constexpr DWORD kStartDisabled = 4;

}  // namespace

int32_t CTarnAutoRunServiceKeys::Enumerate() {
    results_.locationText = JoinKeyText(L"HKLM", kServicesPath);
    if (registry_->OpenRead(HKEY_LOCAL_MACHINE, kServicesPath)) {
        EnumerateOpenKey();
    }
    return 0;
}

int32_t CTarnAutoRunServiceKeys::EnumerateOpenKey() {
    ForEachSubKeyName(*registry_, [&](const std::wstring& name) {
        results_.pass = 0;
        NewEntry();
        const std::wstring relPath = JoinKeyText(kServicesPath, name);
        if ((HasObjectName(relPath) == 1) == listsDrivers_) {
            return;
        }
        if (IsStartListed(relPath) == 0) {
            return;
        }
        AutoRunEntry& entry = *results_.current;
        entry.name = name;
        entry.subKeyName = name;
        entry.keyPath = JoinKeyText(results_.locationText, name);
        entry.locateKind = LocateKey;
        entry.entryKind = KindService;
        // A shared-host service is known by its DLL; one whose DLL cannot be resolved falls back
        // to the host's command.
        if (!listsDrivers_ && ReadServiceDll(relPath) == 1) {
            return;
        }
        ReadImagePath(relPath);
    });
    registry_->Close();
    return 0;
}

int32_t CTarnAutoRunServiceKeys::HasObjectName(const std::wstring& relPath) {
    RegKey key;
    if (!key.OpenRead(HKEY_LOCAL_MACHINE, relPath)) {
        return 0;
    }
    return FindValue(key, L"ObjectName").found() ? 1 : 0;
}

int32_t CTarnAutoRunServiceKeys::IsStartListed(const std::wstring& relPath) {
    RegKey key;
    if (!key.OpenRead(HKEY_LOCAL_MACHINE, relPath)) {
        return 0;
    }
    std::optional<DWORD> start;
    std::optional<DWORD> kept;
    ForEachValue(key, [&](const RegValue& value) {
        if (SameRegistryName(value.name, L"Start")) {
            start = DwordOf(value);
        } else if (SameRegistryName(value.name, kStoreName)) {
            kept = DwordOf(value);
        }
    });
    // A kept start type counts only while the service is switched off: with any other "Start"
    // Windows starts the service, and the kept value is stale.
    const bool started = start && *start != kStartDisabled;
    const bool stored = !started && kept && *kept != kStartDisabled;
    if (stored) {
        results_.pass = 1;
    }
    return (started || stored) ? 1 : 0;
}

int32_t CTarnAutoRunServiceKeys::ReadCommandValue(const std::wstring& keyPath, const wchar_t* valueName) {
    RegKey key;
    if (!key.OpenRead(HKEY_LOCAL_MACHINE, keyPath)) {
        return 0;
    }
    const auto value = FindValue(key, valueName);
    if (!value.found()) {
        return 0;
    }
    const std::wstring data = TextOf(value.item);
    results_.current->commandLine = data;
    if (!ResolveCurrent(data)) {
        return 0;
    }
    AddEntry();
    return 1;
}

int32_t CTarnAutoRunServiceKeys::ReadImagePath(const std::wstring& relPath) {
    return ReadCommandValue(relPath, L"ImagePath");
}

int32_t CTarnAutoRunServiceKeys::ReadServiceDll(const std::wstring& relPath) {
    return ReadCommandValue(JoinKeyText(relPath, L"Parameters"), L"ServiceDll");
}

}  // namespace tarn
