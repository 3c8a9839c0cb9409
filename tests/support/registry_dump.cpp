#include "support/registry_dump.h"

#include "model/key_text.h"


namespace tarn::test {

namespace {


void DumpKey(HKEY key, const std::wstring& path, RegistryDump& dump) {
    auto& values = dump.keys[LowerAscii(path)];
    DWORD subKeys = 0;
    DWORD valueCount = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &valueCount, &longestName,
                       &longestData, nullptr, nullptr);
    for (DWORD i = 0; i < valueCount; ++i) {
        std::vector<wchar_t> name(longestName + 2, L'\0');
        DWORD nameCount = static_cast<DWORD>(name.size());
        std::vector<BYTE> data(longestData + 2, 0);
        DWORD dataCount = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name.data(), &nameCount, nullptr, &type, data.data(), &dataCount) ==
            ERROR_SUCCESS) {
            data.resize(dataCount);
            values[LowerAscii(std::wstring(name.data(), nameCount))] = {type, data};
        }
    }
    for (DWORD i = 0; i < subKeys; ++i) {
        wchar_t name[256] = {};
        DWORD nameCount = 256;
        if (::RegEnumKeyExW(key, i, name, &nameCount, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        HKEY child = nullptr;
        if (::RegOpenKeyExW(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            DumpKey(child, path + L"\\" + name, dump);
            ::RegCloseKey(child);
        }
    }
}

}  // namespace

RegistryDump DumpRegistry() {
    RegistryDump dump;
    DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", dump);
    DumpKey(HKEY_CURRENT_USER, L"HKCU", dump);
    return dump;
}

void PrintTo(const RegistryDump& dump, std::ostream* out) {
    for (const auto& [path, values] : dump.keys) {
        std::string line;
        for (wchar_t c : path) {
            line.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
        *out << "\n  " << line << " (" << values.size() << " values)";
    }
}

std::wstring DescribeDifference(const RegistryDump& expected, const RegistryDump& actual) {
    std::wstring lines;
    for (const auto& [path, values] : expected.keys) {
        const auto found = actual.keys.find(path);
        if (found == actual.keys.end()) {
            lines += L"missing key " + path + L"\n";
            continue;
        }
        for (const auto& [name, value] : values) {
            const auto other = found->second.find(name);
            if (other == found->second.end()) {
                lines += L"missing value " + path + L" : " + name + L"\n";
            } else if (other->second != value) {
                lines += L"changed value " + path + L" : " + name + L"\n";
            }
        }
        for (const auto& [name, value] : found->second) {
            if (values.count(name) == 0) {
                lines += L"extra value " + path + L" : " + name + L"\n";
            }
        }
    }
    for (const auto& [path, values] : actual.keys) {
        if (expected.keys.count(path) == 0) {
            lines += L"extra key " + path + L"\n";
        }
    }
    return lines;
}

}  // namespace tarn::test
