#pragma once

#include <string>

namespace tarn {

// A full path in the form the file calls take as it is written ("\\?\C:\…", "\\?\UNC\server\…"):
// no trailing dot or blank is dropped, no length limit applies, so a call acts on exactly the file
// a folder listing named. Paths that are not full (or already in that form) stay as they are.
std::wstring VerbatimPath(const std::wstring& path);

}  // namespace tarn
