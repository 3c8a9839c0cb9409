#pragma once

#include "base/registry_names.h"
#include "model/registry_value.h"
#include "win/registry_api.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// Rights asked for when a key is opened for reading, and for changing it.
constexpr REGSAM kKeyReadRights = KEY_READ;                                        // 0x20019
constexpr REGSAM kKeyWriteRights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F

// Room for the longest registry value name plus its terminator.
constexpr DWORD kMaxRegistryNameCount = 16384;

// Registry key wrapper. Every call goes through the replaceable registry function table, and
// every read is bounded by the byte count the registry returned. Names and paths are counted
// texts: one with a NUL inside goes through the counted calls. `status` keeps the result code
// of the last call unless an operation says otherwise. A still-open key is closed on destruction.
class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;

    LONG status() const { return status_; }
    HKEY handle() const { return handle_.get(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }

    // On success the new key replaces (and closes) the one held; on failure the held key stays.
    bool OpenRead(HKEY parent, const std::wstring& path);
    bool OpenWrite(HKEY parent, const std::wstring& path);
    // Opens the key itself when it is a link, instead of the key it points to.
    bool OpenLink(HKEY parent, const std::wstring& path, REGSAM rights);
    // Opens the key, creating every missing key of the path; `created` tells whether the last
    // key of the path is new.
    bool Create(HKEY parent, const std::wstring& path, bool* created = nullptr);
    // Creates the one key `name` below the key `parentPath` with these traits (security is
    // applied separately). Fails with ERROR_ALREADY_EXISTS, holding nothing, when the key was
    // there before: a new key is never merged into an existing one.
    bool CreateNew(HKEY root, const std::wstring& parentPath, const std::wstring& name, const KeyTraits& traits);

    // Deletes the subkey `name` (which must have no subkeys). A link goes itself: its target
    // is never followed.
    bool DeleteSubKey(const std::wstring& name);
    bool DeleteValue(const std::wstring& name);
    bool SetValue(const std::wstring& name, DWORD type, const BYTE* data, DWORD byteCount);

    // Reads a value whole, growing `buffer` as needed; hands back type and exact byte count
    // (the buffer may be larger). Does not change `status`; the platform's code goes to `code`
    // when one is given.
    bool QueryValue(const std::wstring& name,
                    std::vector<BYTE>& buffer,
                    DWORD& type,
                    DWORD& byteCount,
                    LONG* code = nullptr);

    DWORD SubKeyCount();
    DWORD ValueCount();
    std::wstring SubKeyName(DWORD index);
    std::wstring ValueName(DWORD index);
    // The value at an index with its data, read in one call.
    bool ValueAt(DWORD index, RegValue& value);

    // Typed readers; none of them changes `status`.
    std::wstring ReadString(const std::wstring& name);
    DWORD ReadDword(const std::wstring& name, DWORD defaultValue);
    std::wstring ReadAnsiString(const std::wstring& name);

    // The key's class name and security descriptor (owner, group, DACL).
    bool ReadClassName(std::wstring& className);
    bool ReadSecurity(std::vector<BYTE>& descriptor);
    bool WriteSecurity(const std::vector<BYTE>& descriptor, SECURITY_INFORMATION parts);
    // The key's flags where the platform reports them (see native_registry.h).
    bool ReadFlags(DWORD& flags);
    // The key's full native name as the registry resolved it (see native_registry.h).
    bool ReadName(std::wstring& name);

    void Close();

private:
    bool Open(HKEY parent, const std::wstring& path, REGSAM rights, DWORD options);
    void Adopt(HKEY opened);
    bool ReadValueBytes(const std::wstring& name, std::vector<BYTE>& bytes);
    // The first `byteCount` bytes the last read left in the data buffer (never more than it holds).
    std::vector<BYTE> ScratchBytes(DWORD byteCount) const;
    static LONG QueryName(HKEY key, std::wstring& name);
    LONG Query(const std::wstring& name, DWORD* type, BYTE* data, DWORD* byteCount) const;

    LONG status_ = ERROR_SUCCESS;
    unique_hkey handle_;
    // Read buffers kept for the key's next reads (see ValueAt).
    std::vector<wchar_t> nameScratch_;
    std::vector<BYTE> dataScratch_;
};

// Root key named by a key text ("HKLM" or "HKCU" before the first backslash); null otherwise.
HKEY RootFromKeyText(const std::wstring& keyText);

// 8-bit text in the calling thread's ANSI code page, widened.
std::wstring AnsiToWide(const char* text);

// Typed views of a value's bytes, bounded by its byte count.
std::wstring TextOf(const RegValue& value);
DWORD DwordOf(const RegValue& value);
std::wstring AnsiTextOf(const RegValue& value);

}  // namespace tarn
