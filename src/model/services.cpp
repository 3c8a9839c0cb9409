#include "model/services.h"

#include "base/key_text.h"
#include "base/system_keys.h"
#include "model/service_walk.h"

#include <optional>

namespace tarn {

namespace {

constexpr DWORD kStartDisabled = 4;

}  // namespace

int32_t CTarnAutoRunServiceKeys::Enumerate() {
    results_.locationText = JoinKeyText(L"HKLM", kServicesPath);
    // In a scan, services and drivers share one walk of the Services key.
    if (const auto walk = CurrentServiceWalk()) {
        if (const auto& records = walk->Records()) {
            AddServiceKeys(*records);
        }
        return 0;
    }
    if (registry_->OpenRead(HKEY_LOCAL_MACHINE, kServicesPath)) {
        EnumerateOpenKey();
    }
    return 0;
}

int32_t CTarnAutoRunServiceKeys::EnumerateOpenKey() {
    AddServiceKeys(ReadServiceKeys(*registry_));
    registry_->Close();
    return 0;
}

void CTarnAutoRunServiceKeys::AddServiceKeys(const std::vector<ServiceKeyRecord>& records) {
    for (const ServiceKeyRecord& record : records) {
        results_.pass = 0;
        NewEntry();
        if (!record.opened || record.hasObjectName == listsDrivers_) {
            continue;
        }
        if (!StartListed(record.start, record.kept)) {
            continue;
        }
        AutoRunEntry& entry = *results_.current;
        entry.name = record.name;
        entry.subKeyName = record.name;
        entry.keyPath = JoinKeyText(results_.locationText, record.name);
        entry.locateKind = LocateKey;
        entry.entryKind = KindService;
        // A shared-host service is known by its DLL; one whose DLL cannot be resolved falls back
        // to the host's command.
        if (!listsDrivers_ && record.serviceDll && AddCommand(*record.serviceDll, true)) {
            continue;
        }
        if (record.imagePath) {
            AddCommand(*record.imagePath);
        }
    }
}

bool CTarnAutoRunServiceKeys::StartListed(std::optional<DWORD> start, std::optional<DWORD> kept) {
    // A kept start type counts only while the service is switched off: with any other "Start"
    // Windows starts the service, and the kept value is stale.
    const bool started = start && *start != kStartDisabled;
    const bool stored = !started && kept && *kept != kStartDisabled;
    if (stored) {
        results_.pass = 1;
    }
    return started || stored;
}

bool CTarnAutoRunServiceKeys::AddCommand(const std::wstring& data, bool strictly) {
    results_.current->commandLine = data;
    if (!(strictly ? ResolveCurrentStrictly(data) : ResolveCurrent(data))) {
        return false;
    }
    AddEntry();
    return true;
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
    return StartListed(start, kept) ? 1 : 0;
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
    return AddCommand(TextOf(value.item)) ? 1 : 0;
}

int32_t CTarnAutoRunServiceKeys::ReadImagePath(const std::wstring& relPath) {
    return ReadCommandValue(relPath, L"ImagePath");
}

int32_t CTarnAutoRunServiceKeys::ReadServiceDll(const std::wstring& relPath) {
    return ReadCommandValue(JoinKeyText(relPath, L"Parameters"), L"ServiceDll");
}

}  // namespace tarn
