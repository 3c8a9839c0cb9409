// Services and drivers: switched off in place, the former "Start" kept in a value beside it.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "model/autorun_base.h"
#include "model/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kStartName[] = L"Start";
constexpr DWORD kStartDisabled = 4;

}  // namespace

int32_t CAutoRunStateChanges::DisableService(const std::wstring& keyText, const std::wstring& serviceName,
                                             int32_t kind) {
    const auto path = JoinKeyPath(SubPathFromKeyText(keyText, kind), serviceName);
    if (!path || !workingKey.OpenWrite(HKEY_LOCAL_MACHINE, *path)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    // A kept start type is never overwritten: the service was switched off already.
    if (FindValue(workingKey, kStoreName) || workingKey.status() != ERROR_SUCCESS) {
        return 0;
    }
    const auto start = FindValue(workingKey, kStartName);
    return start && SaveServiceStart(*start) ? 1 : 0;
}

bool CAutoRunStateChanges::SaveServiceStart(const std::wstring& startName) {
    const auto start = ReadStoredValue(workingKey, startName);
    if (!start) {
        return false;
    }
    StoredValue kept = *start;
    kept.name = kStoreName;
    if (!WriteVerifiedValue(workingKey, kept)) {
        return false;
    }
    StoredValue disabled = *start;
    for (std::size_t i = 0; i < disabled.bytes.size() && i < 4; ++i) {
        disabled.bytes[i] = static_cast<BYTE>((kStartDisabled >> (8 * i)) & 0xFF);
    }
    return workingKey.SetValue(disabled.name, disabled.type, disabled.bytes.data(),
                               static_cast<DWORD>(disabled.bytes.size()));
}

int32_t CAutoRunStateChanges::EnableService(const std::wstring& keyText, const std::wstring& serviceName,
                                            int32_t kind) {
    const auto path = JoinKeyPath(SubPathFromKeyText(keyText, kind), serviceName);
    if (!path || !workingKey.OpenWrite(HKEY_LOCAL_MACHINE, *path)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto start = FindValue(workingKey, kStartName);
    return start && RestoreServiceStart(*start) ? 1 : 0;
}

bool CAutoRunStateChanges::RestoreServiceStart(const std::wstring& startName) {
    const auto keptName = FindValue(workingKey, kStoreName);
    if (!keptName) {
        return false;
    }
    const auto kept = ReadStoredValue(workingKey, *keptName);
    if (!kept) {
        return false;
    }
    StoredValue start = *kept;
    start.name = startName;
    // The kept value goes only once "Start" holds exactly its bytes again.
    return WriteVerifiedValue(workingKey, start) && workingKey.DeleteValue(*keptName);
}

int32_t CAutoRunStateChanges::DeleteService(const std::wstring& keyText, const std::wstring& serviceName,
                                            int32_t kind) {
    const std::wstring services = SubPathFromKeyText(keyText, kind);
    if (services.empty() || !workingKey.OpenWrite(HKEY_LOCAL_MACHINE, services)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindSubKey(workingKey, serviceName);
    if (!name) {
        return 0;
    }
    const auto path = JoinKeyPath(services, *name);
    // Every path of the tree must fit before anything is deleted.
    if (!path || !ReadTree(HKEY_LOCAL_MACHINE, *path, false)) {
        return 0;
    }
    deleteDepth_ = 0;
    return DeleteKeyTree(HKEY_LOCAL_MACHINE, *path, *name) ? 1 : 0;
}

// Deletes the key `path` with everything below it, highest subkey index first so that deletions
// do not shift the indexes still to visit. Only the outermost call deletes the key itself,
// through the working key open on its parent.
bool CAutoRunStateChanges::DeleteKeyTree(HKEY root, const std::wstring& path, const std::wstring& name) {
    ++deleteDepth_;
    bool deleted = true;
    RegKey key;
    if (key.OpenWrite(root, path)) {
        const DWORD count = key.SubKeyCount();
        for (DWORD i = count; deleted && i-- > 0;) {
            const std::wstring child = key.EnumKeyName(i);
            if (key.status() != ERROR_SUCCESS) {
                continue;
            }
            const auto childPath = JoinKeyPath(path, child);
            if (!childPath) {
                deleted = false;
                break;
            }
            RegKey childKey;
            if (childKey.OpenWrite(root, *childPath) && childKey.SubKeyCount() > 0) {
                childKey.Close();
                DeleteKeyTree(root, *childPath, name);
            }
            deleted = key.DeleteSubKey(child);
        }
        key.Close();
    }
    --deleteDepth_;
    if (deleteDepth_ > 0) {
        return deleted;
    }
    return deleted && workingKey.DeleteSubKey(name);
}

}  // namespace tarn
