#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn::test {

// Points HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (and, when asked, HKEY_CLASSES_ROOT) of this
// process at fresh scratch keys, so a test can write the real autostart paths without touching
// the prefix's own keys or another test's. Everything is removed again on destruction.
// COM class creation reads HKEY_CLASSES_ROOT: leave it alone in tests that create COM objects.
class RegistrySandbox {
public:
    explicit RegistrySandbox(bool redirectClassesRoot = false);
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Where the redirected roots really live (under the real HKEY_CURRENT_USER).
    const std::wstring& scratchPath() const { return scratchPath_; }

private:
    std::wstring scratchPath_;
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
    HKEY classes_ = nullptr;
};

// Test helpers for writing and reading values below a root, with failures reported to gtest.
void WriteValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                DWORD byteCount);
void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                 DWORD type = REG_SZ);
void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void CreateKey(HKEY root, const std::wstring& path);

// A value as the registry holds it, read with the plain API; nothing when it does not exist.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const RawValue& other) const { return type == other.type && bytes == other.bytes; }
};
std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name);
bool KeyExists(HKEY root, const std::wstring& path);
bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name);

}  // namespace tarn::test
