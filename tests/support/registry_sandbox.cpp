#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace tarn::test {

namespace {

// Every sandbox has a key of its own directly below Software: a shared parent could be deleted
// by one test process while another creates its sandbox in it.
constexpr wchar_t kSandboxPrefix[] = L"Software\\TarnwellTest-";

HKEY CreateScratchKey(const std::wstring& path) {
    HKEY key = nullptr;
    const LONG status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, status) << "cannot create scratch key";
    return key;
}

void Redirect(HKEY predefined, HKEY scratch) {
    EXPECT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(predefined, scratch));
}

}  // namespace

RegistrySandbox::RegistrySandbox(bool redirectClassesRoot) {
    static std::atomic<unsigned> counter{0};
    scratchPath_ = std::wstring(kSandboxPrefix) + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++counter);
    machine_ = CreateScratchKey(scratchPath_ + L"\\HKLM");
    user_ = CreateScratchKey(scratchPath_ + L"\\HKCU");
    if (redirectClassesRoot) {
        classes_ = CreateScratchKey(scratchPath_ + L"\\HKCR");
        Redirect(HKEY_CLASSES_ROOT, classes_);
    }
    Redirect(HKEY_LOCAL_MACHINE, machine_);
    Redirect(HKEY_CURRENT_USER, user_);
}

RegistrySandbox::~RegistrySandbox() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (classes_ != nullptr) {
        ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        ::RegCloseKey(classes_);
    }
    ::RegCloseKey(machine_);
    ::RegCloseKey(user_);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath_.c_str());
}

void WriteValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                DWORD byteCount) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), byteCount));
    ::RegCloseKey(key);
}

void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                 DWORD type) {
    WriteValue(root, path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    WriteValue(root, path, name, REG_DWORD, &value, sizeof value);
}

void CreateKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ::RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool found = ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return found;
}

std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue raw;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, nullptr, &size) != ERROR_SUCCESS) {
        ::RegCloseKey(key);
        return std::nullopt;
    }
    raw.bytes.resize(size);
    if (size > 0) {
        ::RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, raw.bytes.data(), &size);
        raw.bytes.resize(size);
    }
    ::RegCloseKey(key);
    return raw;
}

}  // namespace tarn::test
