#include "state/state_support.h"

#include "model/autorun_base.h"

#include <vector>

namespace tarn {

std::optional<StoredValue> ReadStoredValue(RegKey& key, const std::wstring& name, LONG* code) {
    StoredValue value;
    value.name = name;
    std::vector<BYTE> buffer(16000, 0);
    DWORD byteCount = 0;
    if (!key.QueryValue(name, buffer, value.type, byteCount, code)) {
        return std::nullopt;
    }
    buffer.resize(byteCount);
    value.bytes = std::move(buffer);
    return value;
}

bool WriteVerifiedValue(RegKey& key, const StoredValue& value) {
    if (!key.SetValue(value.name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()))) {
        return false;
    }
    const auto written = ReadStoredValue(key, value.name);
    return written && written->type == value.type && written->bytes == value.bytes;
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
    if (!key.OpenWrite(root, keyPath) || !key.DeleteSubKey(kStoreName)) {
        return StoreCleanup::Failed;
    }
    return StoreCleanup::Deleted;
}

}  // namespace tarn
