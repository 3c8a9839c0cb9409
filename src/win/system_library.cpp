#include "win/system_library.h"

#include <string>
#include <vector>

namespace tarn {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    std::vector<wchar_t> folder(MAX_PATH, L'\0');
    const UINT count = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (count == 0 || count >= folder.size()) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder.data(), count) + L"\\" + name;
    return ::LoadLibraryW(path.c_str());
}

}  // namespace tarn
