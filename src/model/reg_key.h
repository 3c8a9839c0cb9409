#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarn {

// Rights asked for when a key is opened for reading, and for changing it.
constexpr REGSAM kKeyReadRights = KEY_READ;                                        // 0x20019
constexpr REGSAM kKeyWriteRights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F

// Room for the longest registry value name plus its terminator.
constexpr DWORD kMaxRegistryNameCount = 16384;

// Registry key wrapper. Every call goes through the replaceable registry function table, and
// every read is bounded by the byte count the registry returned. `status` keeps the result
// code of the last call unless an operation says otherwise. A still-open key is closed on
// destruction.
class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;

    LONG status() const { return status_; }
    HKEY handle() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr; }

    // On success the new key replaces (and closes) the one held; on failure the held key stays.
    bool OpenRead(HKEY parent, const std::wstring& path);
    bool OpenWrite(HKEY parent, const std::wstring& path);
    bool Create(HKEY parent, const std::wstring& path);

    bool DeleteSubKey(const std::wstring& name);
    bool DeleteValue(const std::wstring& name);
    bool SetValue(const std::wstring& name, DWORD type, const BYTE* data, DWORD byteCount);

    // Reads a value whole, growing `buffer` as needed; hands back type and exact byte count
    // (the buffer may be larger). Does not change `status`; the platform's code goes to `code`
    // when one is given.
    bool QueryValue(const std::wstring& name, std::vector<BYTE>& buffer, DWORD& type, DWORD& byteCount,
                    LONG* code = nullptr);

    DWORD SubKeyCount();
    DWORD ValueCount();
    std::wstring SubKeyName(DWORD index);
    std::wstring ValueName(DWORD index);
    // The older enumeration call, with room for a key name of 259 characters; empty on failure.
    std::wstring EnumKeyName(DWORD index);

    // Typed readers; none of them changes `status`.
    std::wstring ReadString(const std::wstring& name);
    DWORD ReadDword(const std::wstring& name, DWORD defaultValue);
    std::wstring ReadAnsiString(const std::wstring& name);

    void Close();

private:
    bool Open(HKEY parent, const std::wstring& path, REGSAM rights);
    void Adopt(HKEY opened);
    bool ReadValueBytes(const std::wstring& name, std::vector<BYTE>& bytes);

    LONG status_ = ERROR_SUCCESS;
    HKEY handle_ = nullptr;
};

// Root key named by a key text ("HKLM" or "HKCU" before the first backslash); null otherwise.
HKEY RootFromKeyText(const std::wstring& keyText);

// 8-bit text in the calling thread's ANSI code page, widened.
std::wstring AnsiToWide(const char* text);

// Registry names compare without regard to letter case, as the registry itself compares them.
bool SameRegistryName(const std::wstring& a, const std::wstring& b);

}  // namespace tarn
