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
// An index whose read fails is skipped: it is never taken for a value or key of its own.
template <typename Handle>
void ForEachValue(RegKey& key, Handle handle) {
    DWORD count = key.ValueCount();
    for (DWORD i = 0; i < count; ++i) {
        RegValue value;
        if (key.ValueAt(i, value)) {
            handle(static_cast<const RegValue&>(value));
        }
        count = key.ValueCount();
    }
}

template <typename Handle>
void ForEachSubKeyName(RegKey& key, Handle handle) {
    DWORD count = key.SubKeyCount();
    for (DWORD i = 0; i < count; ++i) {
        const std::wstring name = key.SubKeyName(i);
        if (key.status() == ERROR_SUCCESS) {
            handle(name);
        }
        count = key.SubKeyCount();
    }
}

// The value (with its data) or subkey of an open key whose name equals `name` as the registry
// compares names, in the registry's own letter case. Failed when any call of the walk failed.
Lookup<RegValue> FindValue(RegKey& key, const std::wstring& name);
Lookup<std::wstring> FindSubKey(RegKey& key, const std::wstring& name);

// The text of the default value of an open key; nothing when it has none.
std::optional<std::wstring> ReadDefaultValue(RegKey& key);

}  // namespace tarn
