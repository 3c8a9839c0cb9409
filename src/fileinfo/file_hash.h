#pragma once

#include <optional>
#include <string>

namespace tarn {

// The SHA-256 of a file's contents as 64 lower-case hex digits, read in blocks through the
// system's crypto provider; nothing when the file cannot be read.
std::optional<std::wstring> Sha256OfFile(const std::wstring& path);

}  // namespace tarn
