#pragma once

#include "model/reg_key.h"

#include <optional>
#include <string>

namespace tarn {

// The answer of a look-up that walks a key: whether the name is there, is not there, or could
// not be told because the walk failed (a failed walk must never pass for "not there").
enum class LookupStatus { Found, Absent, Failed };

template <typename Item>
struct Lookup {
    LookupStatus status = LookupStatus::Absent;
    Item item{};

    bool found() const { return status == LookupStatus::Found; }
    bool absent() const { return status == LookupStatus::Absent; }
    bool failed() const { return status == LookupStatus::Failed; }
};

// Index loops: the count is asked again after every index, and a failed count ends the loop.
// An index whose read fails is skipped: it is never taken for a value or key of its own. Both
// answer ERROR_SUCCESS when the key was walked whole, else the code of the first failure (an index
// that went meanwhile, ERROR_NO_MORE_ITEMS, is no failure).
template <typename Handle>
LONG ForEachValue(RegKey& key, Handle handle) {
    LONG failure = ERROR_SUCCESS;
    DWORD count = key.ValueCount();
    if (key.status() != ERROR_SUCCESS) {
        return key.status();
    }
    for (DWORD i = 0; i < count; ++i) {
        RegValue value;
        if (key.ValueAt(i, value)) {
            handle(static_cast<const RegValue&>(value));
        } else if (key.status() != ERROR_NO_MORE_ITEMS && failure == ERROR_SUCCESS) {
            failure = key.status();
        }
        count = key.ValueCount();
        if (key.status() != ERROR_SUCCESS) {
            return failure == ERROR_SUCCESS ? key.status() : failure;
        }
    }
    return failure;
}

template <typename Handle>
LONG ForEachSubKeyName(RegKey& key, Handle handle) {
    LONG failure = ERROR_SUCCESS;
    DWORD count = key.SubKeyCount();
    if (key.status() != ERROR_SUCCESS) {
        return key.status();
    }
    for (DWORD i = 0; i < count; ++i) {
        const std::wstring name = key.SubKeyName(i);
        if (key.status() == ERROR_SUCCESS) {
            handle(name);
        } else if (key.status() != ERROR_NO_MORE_ITEMS && failure == ERROR_SUCCESS) {
            failure = key.status();
        }
        count = key.SubKeyCount();
        if (key.status() != ERROR_SUCCESS) {
            return failure == ERROR_SUCCESS ? key.status() : failure;
        }
    }
    return failure;
}

// The value (with its data) or subkey of an open key whose name equals `name` as the registry
// compares names, in the registry's own letter case. Failed when any call of the walk failed.
Lookup<RegValue> FindValue(RegKey& key, const std::wstring& name);
Lookup<std::wstring> FindSubKey(RegKey& key, const std::wstring& name);

// The text of the default value of an open key; nothing when it has none.
std::optional<std::wstring> ReadDefaultValue(RegKey& key);

}  // namespace tarn
