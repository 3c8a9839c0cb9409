#include "fileinfo/file_icon.h"

#include <windows.h>
#include <shellapi.h>

namespace tarn {

unique_hicon SmallShellIcon(const std::wstring& path) {
    SHFILEINFOW info = {};
    if (::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_SYSICONINDEX) ==
        0) {
        return unique_hicon();
    }
    return unique_hicon(info.hIcon);
}

}  // namespace tarn
