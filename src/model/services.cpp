#include "model/services.h"

#include "model/key_text.h"

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
    return FindValue(key, L"ObjectName") ? 1 : 0;
}

int32_t CTarnAutoRunServiceKeys::IsStartListed(const std::wstring& relPath) {
    RegKey key;
    if (!key.OpenRead(HKEY_LOCAL_MACHINE, relPath)) {
        return 0;
    }
    bool started = false;
    bool stored = false;
    ForEachValueName(key, [&](const std::wstring& valueName) {
        if (SameRegistryName(valueName, L"Start")) {
            started = started || key.ReadDword(valueName, kStartDisabled) != kStartDisabled;
        } else if (SameRegistryName(valueName, kStoreName)) {
            if (key.ReadDword(valueName, kStartDisabled) != kStartDisabled) {
                stored = true;
                results_.pass = 1;
            }
        }
    });
    return (started || stored) ? 1 : 0;
}

int32_t CTarnAutoRunServiceKeys::ReadCommandValue(const std::wstring& keyPath, const wchar_t* valueName) {
    RegKey key;
    if (!key.OpenRead(HKEY_LOCAL_MACHINE, keyPath)) {
        return 0;
    }
    const auto name = FindValue(key, valueName);
    if (!name) {
        return 0;
    }
    const std::wstring data = key.ReadString(*name);
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
