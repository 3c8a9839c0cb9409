#include "support/registry_dump.h"

#include "win/native_registry.h"
#include "support/registry_sandbox.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tarn::test {

namespace {

constexpr wchar_t kVolatileProbe[] = L"TarnwellTest.volatile-probe";

// Reads every value of a key with one information call for the counts and lengths; the class
// name comes with it.
bool ReadContent(HKEY key,
                 std::map<std::wstring, RegistryDump::Value>& values,
                 std::wstring& className,
                 DWORD& subKeys) {
    std::vector<wchar_t> classText(256, L'\0');
    DWORD classCount = static_cast<DWORD>(classText.size());
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    LONG status = ::RegQueryInfoKeyW(key, classText.data(), &classCount, nullptr, &subKeys, nullptr, nullptr, &count,
                                     &longestName, &longestData, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {
        classText.assign(32768, L'\0');
        classCount = static_cast<DWORD>(classText.size());
        status = ::RegQueryInfoKeyW(key, classText.data(), &classCount, nullptr, &subKeys, nullptr, nullptr, &count,
                                    &longestName, &longestData, nullptr, nullptr);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    className.assign(classText.data(), classCount);
    std::vector<wchar_t> name(longestName + 2, L'\0');
    std::vector<BYTE> data(longestData + 2, 0);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameCount = static_cast<DWORD>(name.size());
        DWORD dataCount = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name.data(), &nameCount, nullptr, &type, data.data(), &dataCount) !=
            ERROR_SUCCESS) {
            return false;
        }
        values[std::wstring(name.data(), nameCount)] = {type,
                                                        std::vector<BYTE>(data.begin(), data.begin() + dataCount)};
    }
    return true;
}

bool ReadSecurity(HKEY key, std::vector<BYTE>& security) {
    const SECURITY_INFORMATION parts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    security.assign(1024, 0);
    DWORD size = static_cast<DWORD>(security.size());
    LONG status = ::RegGetKeySecurity(key, parts, security.data(), &size);
    if (status == ERROR_INSUFFICIENT_BUFFER) {
        security.assign(size, 0);
        status = ::RegGetKeySecurity(key, parts, security.data(), &size);
    }
    security.resize(size);
    return status == ERROR_SUCCESS;
}

// A non-volatile subkey cannot be created below a volatile key: the probe tells, and goes again.
bool ReadVolatility(HKEY key, bool parentVolatile, bool& isVolatile) {
    isVolatile = parentVolatile;
    if (parentVolatile) {
        return true;
    }
    HKEY probe = nullptr;
    DWORD disposition = 0;
    const LONG created = ::RegCreateKeyExW(key, kVolatileProbe, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                           nullptr, &probe, &disposition);
    if (created == ERROR_CHILD_MUST_BE_VOLATILE) {
        isVolatile = true;
        return true;
    }
    if (created != ERROR_SUCCESS) {
        return false;
    }
    const bool deleted = disposition == REG_CREATED_NEW_KEY && NativeDeleteKey(probe) == ERROR_SUCCESS;
    ::RegCloseKey(probe);
    return deleted;
}

// Opens a subkey by its counted name, the key itself when it is a link. A predefined root key has
// no handle of its own for the counted call: its subkeys are opened by name.
HKEY OpenChild(HKEY parent, bool parentIsRoot, const std::wstring& name) {
    HKEY child = nullptr;
    const LONG status = parentIsRoot
                            ? (name.find(L'\0') == std::wstring::npos
                                   ? ::RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &child)
                                   : ERROR_INVALID_NAME)
                            : NativeOpenKey(parent, name.data(), static_cast<DWORD>(name.size()), REG_OPTION_OPEN_LINK,
                                            KEY_ALL_ACCESS, &child);
    return status == ERROR_SUCCESS ? child : nullptr;
}

void DumpKey(HKEY key, bool isRoot, bool isLink, const std::wstring& path, bool parentVolatile, RegistryDump& dump) {
    RegistryDump::Key& stored = dump.keys[path];
    DWORD subKeys = 0;
    if (!ReadContent(key, stored.values, stored.traits.className, subKeys) ||
        !ReadSecurity(key, stored.traits.security)) {
        dump.unreadable.push_back(path);
        return;
    }
    stored.traits.isLink = isLink;
    // A link value names its target by the native path, which differs from sandbox to sandbox.
    for (auto& [name, value] : stored.values) {
        if (value.first == REG_LINK) {
            auto& target = value.second;
            const std::wstring relative = SandboxRelativeName(
                std::wstring(reinterpret_cast<const wchar_t*>(target.data()), target.size() / sizeof(wchar_t)));
            target.assign(reinterpret_cast<const BYTE*>(relative.data()),
                          reinterpret_cast<const BYTE*>(relative.data() + relative.size()));
        }
    }
    if (stored.traits.isLink) {
        return;
    }
    // The fixed keys above the autostart locations ("HKLM\\Software\\Microsoft", ...) never change.
    const bool fixed = std::count(path.begin(), path.end(), L'\\') < 4;
    if (!fixed && !ReadVolatility(key, parentVolatile, stored.traits.isVolatile)) {
        dump.unreadable.push_back(path);
        return;
    }
    for (DWORD i = 0; i < subKeys; ++i) {
        wchar_t name[256] = {};
        DWORD nameCount = 256;
        if (::RegEnumKeyExW(key, i, name, &nameCount, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            dump.unreadable.push_back(path + L"\\#" + std::to_wstring(i));
            continue;
        }
        const std::wstring childName(name, nameCount);
        const HKEY child = OpenChild(key, isRoot, childName);
        if (child == nullptr) {
            dump.unreadable.push_back(path + L"\\" + childName);
            continue;
        }
        DumpKey(child, false, OpenedKeyIsLink(key, isRoot, childName, child), path + L"\\" + childName,
                stored.traits.isVolatile, dump);
        ::RegCloseKey(child);
    }
}

void DumpRoot(HKEY root, const wchar_t* name, RegistryDump& dump) {
    DumpKey(root, true, false, name, false, dump);
}

}  // namespace

RegistryDump DumpRegistry() {
    RegistryDump dump;
    DumpRoot(HKEY_LOCAL_MACHINE, L"HKLM", dump);
    DumpRoot(HKEY_CURRENT_USER, L"HKCU", dump);
    // The sandbox's users, whose hives hold other users' registrations.
    if (SandboxActive()) {
        DumpRoot(HKEY_USERS, L"HKU", dump);
    }
    return dump;
}

std::string Printable(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else if (c == L'\0') {
            out += "\\0";
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out;
}

void PrintTo(const RegistryDump& dump, std::ostream* out) {
    for (const auto& [path, key] : dump.keys) {
        *out << "\n  " << Printable(path) << " (" << key.values.size() << " values"
             << (key.traits.isVolatile ? ", volatile" : "") << (key.traits.isLink ? ", link" : "") << ")";
    }
    for (const std::wstring& path : dump.unreadable) {
        *out << "\n  unreadable " << Printable(path);
    }
}

std::string DescribeDifference(const RegistryDump& expected, const RegistryDump& actual) {
    std::string lines;
    for (const auto& [path, key] : expected.keys) {
        const auto found = actual.keys.find(path);
        if (found == actual.keys.end()) {
            lines += "missing key " + Printable(path) + "\n";
            continue;
        }
        if (found->second.traits != key.traits) {
            lines += "changed class, volatility, link or security of " + Printable(path) + "\n";
        }
        for (const auto& [name, value] : key.values) {
            const auto other = found->second.values.find(name);
            if (other == found->second.values.end()) {
                lines += "missing value " + Printable(path) + " : " + Printable(name) + "\n";
            } else if (other->second != value) {
                lines += "changed value " + Printable(path) + " : " + Printable(name) + "\n";
            }
        }
        for (const auto& [name, value] : found->second.values) {
            if (key.values.count(name) == 0) {
                lines += "extra value " + Printable(path) + " : " + Printable(name) + "\n";
            }
        }
    }
    for (const auto& [path, key] : actual.keys) {
        if (expected.keys.count(path) == 0) {
            lines += "extra key " + Printable(path) + "\n";
        }
    }
    for (const std::wstring& path : actual.unreadable) {
        lines += "unreadable key " + Printable(path) + "\n";
    }
    return lines;
}

}  // namespace tarn::test
