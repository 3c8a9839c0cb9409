#pragma once

#include <windows.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tarn::test {

// Every key and value below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (the sandbox's scratch keys
// while a sandbox is active), with type and exact bytes. Key paths and value names are lower-cased:
// the registry compares them without regard to case.
struct RegistryDump {
    using Value = std::pair<DWORD, std::vector<BYTE>>;
    std::map<std::wstring, std::map<std::wstring, Value>> keys;

    bool operator==(const RegistryDump& other) const { return keys == other.keys; }
    bool operator!=(const RegistryDump& other) const { return keys != other.keys; }
};

RegistryDump DumpRegistry();

// Lets failure messages show the keys and values of a dump.
void PrintTo(const RegistryDump& dump, std::ostream* out);

// Lines describing how two dumps differ, for failure messages.
std::wstring DescribeDifference(const RegistryDump& expected, const RegistryDump& actual);

}  // namespace tarn::test
