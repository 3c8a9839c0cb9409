#include "support/registry_seed.h"

#include <gtest/gtest.h>

namespace tarn::test {

namespace {

bool Exists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

}  // namespace

RegistrySeed::~RegistrySeed() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
        if (it->kind == Undo::Kind::DeleteTree) {
            ::RegDeleteTreeW(it->root, it->path.c_str());
            continue;
        }
        HKEY key = nullptr;
        if (::RegOpenKeyExW(it->root, it->path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
            continue;
        }
        if (it->kind == Undo::Kind::DeleteValue) {
            ::RegDeleteValueW(key, it->name.c_str());
        } else {
            ::RegSetValueExW(key, it->name.c_str(), 0, it->type, it->bytes.data(),
                             static_cast<DWORD>(it->bytes.size()));
        }
        ::RegCloseKey(key);
    }
}

void RegistrySeed::Set(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const BYTE* data,
                       DWORD byteCount) {
    // The first missing key of the path goes, with everything below it.
    for (std::size_t at = 0; at != std::wstring::npos;) {
        at = path.find(L'\\', at + 1);
        const std::wstring prefix = path.substr(0, at);
        if (!Exists(root, prefix)) {
            undo_.push_back({root, prefix, L"", Undo::Kind::DeleteTree, REG_NONE, {}});
            break;
        }
    }
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
    DWORD oldType = REG_NONE;
    DWORD oldSize = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &oldType, nullptr, &oldSize) == ERROR_SUCCESS) {
        Undo restore{root, path, name, Undo::Kind::RestoreValue, oldType, std::vector<BYTE>(oldSize)};
        ::RegQueryValueExW(key, name.c_str(), nullptr, &oldType, restore.bytes.data(), &oldSize);
        undo_.push_back(std::move(restore));
    } else {
        undo_.push_back({root, path, name, Undo::Kind::DeleteValue, REG_NONE, {}});
    }
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key, name.c_str(), 0, type, data, byteCount));
    ::RegCloseKey(key);
}

void RegistrySeed::SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    Set(root, path, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void RegistrySeed::SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    Set(root, path, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace tarn::test
