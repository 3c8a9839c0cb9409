#pragma once

// Windows' own startup switch (the Startup page of Task Manager and of Settings): a binary value,
// named as the Run value or startup-folder shortcut it governs, in a list of its own. Windows
// starts the entry unless that value says off. Windows-free.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// Below the root (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE) of the entry it governs.
constexpr wchar_t kStartupApprovedPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
// The lists: the Run values, the 32-bit machine Run values of a 64-bit Windows, the shortcuts of
// the startup folder (by file name).
constexpr wchar_t kApprovalRunList[] = L"Run";
constexpr wchar_t kApprovalRun32List[] = L"Run32";
constexpr wchar_t kApprovalStartupFolderList[] = L"StartupFolder";

// The registry type that carries the switch; a value of any other type switches nothing.
constexpr uint32_t kApprovalValueType = 3;  // REG_BINARY

struct StartupApproval {
    bool off = false;
    // When Windows switched it off: a FILETIME (100 ns since 1601, UTC), 0 when not told.
    uint64_t switchedAt = 0;
};

// Reads a switch value: only a binary value of at least four bytes whose first byte is odd says
// off; the eight bytes after the first four, when present, are the time of the switch.
StartupApproval ReadStartupApproval(uint32_t type, const uint8_t* data, std::size_t byteCount);

// The bytes Windows writes to switch an entry on: 0x02 and eleven zeros.
std::vector<uint8_t> StartupApprovalOnBytes();

// A FILETIME as "YYYY-MM-DD hh:mm:ss UTC"; nothing for 0 or a time past the year 9999.
std::optional<std::wstring> FileTimeUtcText(uint64_t fileTime);

}  // namespace tarn
