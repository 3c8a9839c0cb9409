#include "state/state_support.h"

#include "base/store_name.h"

#include <vector>

namespace tarn {

bool WriteVerifiedValue(RegKey& key, const RegValue& value) {
    if (!key.SetValue(value.name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()))) {
        return false;
    }
    std::vector<BYTE> buffer;
    DWORD type = REG_NONE;
    DWORD byteCount = 0;
    if (!key.QueryValue(value.name, buffer, type, byteCount)) {
        return false;
    }
    buffer.resize(byteCount);
    return type == value.type && buffer == value.bytes;
}

Destination ValueDestination(RegKey& key, const RegValue& value) {
    const auto existing = FindValue(key, value.name);
    if (existing.failed()) {
        return Destination::Unknown;
    }
    if (existing.absent()) {
        return Destination::Free;
    }
    return existing.item == value ? Destination::SameCopy : Destination::Taken;
}

bool CopyValueUnlessTaken(RegKey& destination, const RegValue& value) {
    switch (ValueDestination(destination, value)) {
        case Destination::Free:
            return WriteVerifiedValue(destination, value);
        case Destination::SameCopy:
            return true;
        case Destination::Taken:
        case Destination::Unknown:
            return false;
    }
    return false;
}

Presence KeyPresence(HKEY root, const std::wstring& path) {
    RegKey key;
    if (key.OpenRead(root, path)) {
        return Presence::Present;
    }
    return key.status() == ERROR_FILE_NOT_FOUND ? Presence::Absent : Presence::Unknown;
}

StoreCleanup DeleteStoreIfEmpty(HKEY root, const std::wstring& keyPath, const std::wstring& storePath) {
    RegKey store;
    if (!store.OpenRead(root, storePath)) {
        return StoreCleanup::Failed;
    }
    const DWORD values = store.ValueCount();
    if (store.status() != ERROR_SUCCESS) {
        return StoreCleanup::Failed;
    }
    const DWORD subKeys = store.SubKeyCount();
    if (store.status() != ERROR_SUCCESS) {
        return StoreCleanup::Failed;
    }
    store.Close();
    if (values != 0 || subKeys != 0) {
        return StoreCleanup::StillInUse;
    }
    RegKey key;
    if (!key.OpenRead(root, keyPath) || !key.DeleteSubKey(kStoreName)) {
        return StoreCleanup::Failed;
    }
    return StoreCleanup::Deleted;
}

}  // namespace tarn
