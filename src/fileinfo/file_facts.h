#pragma once

#include "base/autorun_entry.h"
#include "win/unique_handle.h"

#include <cstdint>
#include <string>

namespace tarn {

// Size in KB (rounded down) from the file's full 64-bit size; -1 when it cannot be opened.
int32_t ReadFileSizeKB(const std::wstring& path);

// Local last-write time as text (line feed included); empty when unavailable.
std::wstring FormatFileTime(const std::wstring& path);

void StoreFileSize(const std::wstring& path, AutoRunEntry& entry);
void StoreFileTime(const std::wstring& path, AutoRunEntry& entry);

// The shell's icon for a file; none when the shell has none. COM is initialised on the calling
// thread for the call.
unique_hicon GetSmallFileIcon(const std::wstring& path);
unique_hicon GetLargeFileIcon(const std::wstring& path);

// Description, company, size, time and version of the entry's image file, in that order.
void FillFileFacts(AutoRunEntry& entry);

}  // namespace tarn
