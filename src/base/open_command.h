#pragma once

#include <string>

namespace tarn {

// The command a file type's "open" verb makes of one file: "%1" and "%L" become the file's path
// (quoted where the template leaves it bare and it holds a blank), "%*" and "%2".."%9" go,
// "%%" is one "%". A template that names no file is followed by the quoted path.
std::wstring CommandForFile(const std::wstring& commandTemplate, const std::wstring& path);

}  // namespace tarn
