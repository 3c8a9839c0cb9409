#pragma once

// The command lines the program starts other programs with. Pure text, tested without Windows.

#include <optional>
#include <string>

namespace tarn {

// The longest command line the program builds, in characters, without the terminator.
constexpr std::size_t kMaxCommandLineLength = 259;

// "tarnupdate.exe <product code> v2.2 <program file name with extension>", from the program's
// module path; nothing when the line would not fit.
std::optional<std::wstring> UpdaterCommandLine(const std::wstring& modulePath);

// The updater beside the program: its folder joined with the updater's file name; nothing when
// the module path has no folder or the result would not fit.
std::optional<std::wstring> UpdaterPathBeside(const std::wstring& modulePath);

// The browser started on the maker's site: the browser below the program-files folder, quoted so
// that a folder name with blanks cannot be read as a shorter program, then the address.
std::optional<std::wstring> SiteBrowserCommandLine(const std::wstring& programFiles, const std::wstring& address);

}  // namespace tarn
