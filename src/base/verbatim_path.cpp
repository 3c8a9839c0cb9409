#include "base/verbatim_path.h"

namespace tarn {

namespace {

bool IsLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

}  // namespace

std::wstring VerbatimPath(const std::wstring& path) {
    // The verbatim form does not collapse "." or ".." or turn "/" into "\": such paths keep theirs.
    if (path.find(L'/') != std::wstring::npos || path.find(L"\\.\\") != std::wstring::npos ||
        path.find(L"\\..\\") != std::wstring::npos) {
        return path;
    }
    if (path.size() >= 3 && IsLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        return L"\\\\?\\" + path;
    }
    const bool unc = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' && path[2] != L'.';
    return unc ? L"\\\\?\\UNC\\" + path.substr(2) : path;
}

}  // namespace tarn
