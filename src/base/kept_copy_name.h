#pragma once

#include <optional>
#include <string>

namespace tarn {

// The file a deleted task's definition is kept in, relative to the kept-copies folder: the task's
// path with ".xml" added, each name escaped so that the file system keeps it as written and two
// tasks never share a file: "%" and what no file name may hold (control characters, / : * ? " < >
// |) become "%XX" (the character's hexadecimal code), so do the dots and blanks at the end of a
// name (the system strips those), and the first letter of a name that is a device's ("NUL",
// "con.x", "COM1"). Nothing for a path that is not "\name[\name...]".
std::optional<std::wstring> KeptCopyRelativePath(const std::wstring& taskPath);

// The file name a copy of something named `name` is kept under, `extension` (".mof") added: escaped
// as each name of a task path is, a backslash too; cut to at most `maxLength` characters before
// the extension.
std::wstring KeptCopyFileName(const std::wstring& name, const std::wstring& extension, std::size_t maxLength);

}  // namespace tarn
