#pragma once

#include <string>

namespace tarn::test {

// Makes `link` a directory link to `target` from the host side, where Wine keeps its drives as Unix
// folders (Wine's own CreateSymbolicLinkW answers TRUE and makes nothing). False, with why in
// `why`, where that cannot be done.
bool MakeHostDirectoryLink(const std::wstring& link, const std::wstring& target, std::string& why);

// Removes such a link (never what it points at); true once it is gone.
bool RemoveHostLink(const std::wstring& link);

}  // namespace tarn::test
