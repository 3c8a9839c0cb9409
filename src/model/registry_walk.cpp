#include "model/registry_walk.h"

namespace tarn {

Lookup<RegValue> FindValue(RegKey& key, const std::wstring& name) {
    Lookup<RegValue> lookup;
    lookup.status = LookupStatus::Failed;
    DWORD count = key.ValueCount();
    for (DWORD i = 0; key.status() == ERROR_SUCCESS && i < count; ++i) {
        RegValue value;
        if (!key.ValueAt(i, value)) {
            return lookup;
        }
        if (SameRegistryName(value.name, name)) {
            lookup.status = LookupStatus::Found;
            lookup.item = std::move(value);
            return lookup;
        }
        count = key.ValueCount();
    }
    if (key.status() == ERROR_SUCCESS) {
        lookup.status = LookupStatus::Absent;
    }
    return lookup;
}

Lookup<std::wstring> FindSubKey(RegKey& key, const std::wstring& name) {
    Lookup<std::wstring> lookup;
    lookup.status = LookupStatus::Failed;
    DWORD count = key.SubKeyCount();
    for (DWORD i = 0; key.status() == ERROR_SUCCESS && i < count; ++i) {
        std::wstring subKey = key.SubKeyName(i);
        if (key.status() != ERROR_SUCCESS) {
            return lookup;
        }
        if (SameRegistryName(subKey, name)) {
            lookup.status = LookupStatus::Found;
            lookup.item = std::move(subKey);
            return lookup;
        }
        count = key.SubKeyCount();
    }
    if (key.status() == ERROR_SUCCESS) {
        lookup.status = LookupStatus::Absent;
    }
    return lookup;
}

std::optional<std::wstring> ReadDefaultValue(RegKey& key) {
    const auto value = FindValue(key, L"");
    if (!value.found()) {
        return std::nullopt;
    }
    return TextOf(value.item);
}

}  // namespace tarn
