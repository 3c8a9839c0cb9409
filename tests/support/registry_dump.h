#pragma once

#include "model/registry_value.h"

#include <windows.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tarn::test {

// Every key and value below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (the sandbox's scratch keys
// while a sandbox is active): exact names (NULs included), types and bytes, and each key's class,
// volatility, link state and security descriptor. Links are recorded, never followed. Key paths
// start with "HKLM", "HKCU" or, while a sandbox is active, "HKU".
struct RegistryDump {
    using Value = std::pair<DWORD, std::vector<BYTE>>;
    struct Key {
        KeyTraits traits;
        std::map<std::wstring, Value> values;
        bool operator==(const Key& other) const { return traits == other.traits && values == other.values; }
        bool operator!=(const Key& other) const { return !(*this == other); }
    };
    std::map<std::wstring, Key> keys;
    // Keys that could not be opened or read: a dump never skips one silently.
    std::vector<std::wstring> unreadable;

    bool operator==(const RegistryDump& other) const { return keys == other.keys && unreadable == other.unreadable; }
    bool operator!=(const RegistryDump& other) const { return !(*this == other); }
};

RegistryDump DumpRegistry();

// Lets failure messages show the keys and values of a dump.
void PrintTo(const RegistryDump& dump, std::ostream* out);

// Lines describing how two dumps differ, for failure messages (NULs shown as "\0").
std::string DescribeDifference(const RegistryDump& expected, const RegistryDump& actual);

// A name or path with NULs and other characters outside printable ASCII escaped, for messages.
std::string Printable(const std::wstring& text);

}  // namespace tarn::test
