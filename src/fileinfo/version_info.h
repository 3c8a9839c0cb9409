#pragma once

#include "base/autorun_entry.h"

#include <string>

namespace tarn {

// One named string of a file's version resource; when several translations carry it, the last
// one in the translation table wins. Empty when there is none.
std::wstring QueryVersionString(const wchar_t* queryTemplate, const std::wstring& path);

// The three strings the scan shows, from one read of the file's version block.
struct VersionStrings {
    std::wstring description;
    std::wstring company;
    std::wstring fileVersion;
};
VersionStrings ReadVersionStrings(const std::wstring& path);

void ReadFileDescription(const std::wstring& path, AutoRunEntry& entry);
void ReadCompanyName(const std::wstring& path, AutoRunEntry& entry);
void ReadFileVersion(const std::wstring& path, AutoRunEntry& entry);

}  // namespace tarn
