// Services and drivers: switched off in place, the former "Start" kept in a value beside it.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "state/registry_tree.h"

namespace tarn {

namespace {

constexpr wchar_t kStartName[] = L"Start";
constexpr DWORD kStartDisabled = 4;

bool IsDisabledStart(const RegValue& start) {
    return DwordOf(start) == kStartDisabled;
}

}  // namespace

std::optional<CAutoRunStateChanges::ServiceStart> CAutoRunStateChanges::OpenServiceStart(
    RegKey& service,
    const std::wstring& keyText,
    const std::wstring& serviceName,
    int32_t kind) {
    const auto path = JoinKeyPath(SubPathFromKeyText(keyText, kind), serviceName);
    if (!path || !service.OpenWrite(HKEY_LOCAL_MACHINE, *path)) {
        return std::nullopt;
    }
    auto start = FindValue(service, kStartName);
    if (!start.found()) {
        return std::nullopt;
    }
    return ServiceStart{std::move(start.item), FindValue(service, kStoreName)};
}

int32_t CAutoRunStateChanges::DisableService(const std::wstring& keyText,
                                             const std::wstring& serviceName,
                                             int32_t kind) {
    RegKey key;
    const auto service = OpenServiceStart(key, keyText, serviceName, kind);
    if (!service || service->kept.failed()) {
        return 0;
    }
    // A kept start type is never overwritten while the service is switched off. With any other
    // "Start" it is stale (Windows starts the service) and gives way to the current one.
    if (service->kept.found() && IsDisabledStart(service->start)) {
        return 0;
    }
    return SaveServiceStart(key, service->start) ? 1 : 0;
}

bool CAutoRunStateChanges::SaveServiceStart(RegKey& service, const RegValue& start) {
    RegValue kept = start;
    kept.name = kStoreName;
    if (!WriteVerifiedValue(service, kept)) {
        return false;
    }
    // Switched off means "Start" reads as the number 4: a number of four bytes or more keeps its
    // length, any other data becomes a plain one.
    RegValue disabled = start;
    if (disabled.type != REG_DWORD || disabled.bytes.size() < 4) {
        disabled.type = REG_DWORD;
        disabled.bytes.assign(4, 0);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        disabled.bytes[i] = static_cast<BYTE>((kStartDisabled >> (8 * i)) & 0xFF);
    }
    return WriteVerifiedValue(service, disabled);
}

int32_t CAutoRunStateChanges::EnableService(const std::wstring& keyText,
                                            const std::wstring& serviceName,
                                            int32_t kind) {
    RegKey key;
    const auto service = OpenServiceStart(key, keyText, serviceName, kind);
    // A kept value beside a "Start" other than 4 is stale: the service runs, there is nothing
    // to switch on, and its start type is not replaced.
    if (!service || !service->kept.found() || !IsDisabledStart(service->start)) {
        return 0;
    }
    return RestoreServiceStart(key, service->start, service->kept.item) ? 1 : 0;
}

bool CAutoRunStateChanges::RestoreServiceStart(RegKey& service, const RegValue& start, const RegValue& kept) {
    RegValue restored = kept;
    restored.name = start.name;
    // The kept value goes only once "Start" holds exactly its bytes again.
    return WriteVerifiedValue(service, restored) && service.DeleteValue(kept.name);
}

int32_t CAutoRunStateChanges::DeleteService(const std::wstring& keyText,
                                            const std::wstring& serviceName,
                                            int32_t kind) {
    const std::wstring services = SubPathFromKeyText(keyText, kind);
    RegKey key;
    if (services.empty() || !key.OpenWrite(HKEY_LOCAL_MACHINE, services)) {
        return 0;
    }
    const auto name = FindSubKey(key, serviceName);
    if (!name.found()) {
        return 0;
    }
    // Every path of the tree must fit before anything is deleted; a link inside goes as a link.
    const auto path = JoinKeyPath(services, name.item);
    return path && DeleteWholeTree(HKEY_LOCAL_MACHINE, *path) ? 1 : 0;
}

}  // namespace tarn
