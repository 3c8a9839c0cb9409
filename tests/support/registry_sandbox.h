#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarn::test {

// Points HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS (and, when asked, HKEY_CLASSES_ROOT) of
// this process at fresh scratch keys, so a test can write the real autostart paths without touching
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
    std::wstring usersPath_;
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
    HKEY users_ = nullptr;
    HKEY classes_ = nullptr;
};

// Test helpers for writing and reading values below a root, with failures reported to gtest.
void WriteValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                DWORD byteCount);
void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                 DWORD type = REG_SZ);
void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void CreateKey(HKEY root, const std::wstring& path);
// WriteString below HKEY_CLASSES_ROOT, for helpers that write through a function.
inline std::function<void(const std::wstring&, const std::wstring&, const std::wstring&)> ClassesRootWriter() {
    return [](const std::wstring& path, const std::wstring& name, const std::wstring& text) {
        WriteString(HKEY_CLASSES_ROOT, path, name, text);
    };
}

// Keys and values as malware may leave them, written through the native API where the Win32
// calls cannot: names with a NUL inside, class names, volatile keys, links.
void WriteNamedValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                     DWORD byteCount);
void WriteNamedString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text);
// Creates `name` below the existing or new key `parentPath`.
void CreateNamedKey(HKEY root, const std::wstring& parentPath, const std::wstring& name,
                    DWORD options = REG_OPTION_NON_VOLATILE, const std::wstring& className = L"");
// A link key `name` below `parentPath` that points at the key `targetPath`.
void CreateLink(HKEY root, const std::wstring& parentPath, const std::wstring& name, HKEY targetRoot,
                const std::wstring& targetPath);
// The same for a target given by its native name, which need not exist (yet).
void CreateLinkTo(HKEY root, const std::wstring& parentPath, const std::wstring& name, const std::wstring& target);
// The full native name of a key ("\REGISTRY\..."), where a link must point.
std::wstring NativeKeyName(HKEY root, const std::wstring& path);
std::wstring NativeNameOf(HKEY key);
// Whether the subkey `name` of `parent`, held open as a link in `asLink`, is one: opened as itself
// and followed, it reaches two keys (or the followed one is missing). Never judged by a value.
bool OpenedKeyIsLink(HKEY parent, bool parentIsRoot, const std::wstring& name, HKEY asLink);
// A native key name below the active sandbox's roots as "HKLM\..." or "HKCU\...", so that dumps
// of two sandboxes compare; other names unchanged.
std::wstring SandboxRelativeName(const std::wstring& nativeName);
// Whether a sandbox is active in this process.
bool SandboxActive();

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
