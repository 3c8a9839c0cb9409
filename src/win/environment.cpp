#include "win/environment.h"

#include <windows.h>

#include <vector>

namespace tarn {

std::wstring ReadEnvironmentVariable(const wchar_t* name) {
    std::vector<wchar_t> buffer(MAX_PATH, L'\0');
    // The variable may grow between the two calls; a few rounds settle it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD count = ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (count == 0) {
            return {};
        }
        if (count < buffer.size()) {
            return std::wstring(buffer.data(), count);
        }
        buffer.assign(count, L'\0');
    }
    return {};
}

std::optional<std::wstring> ExpandEnvironmentText(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.size() + MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD count = ::ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (count == 0) {
            return std::nullopt;
        }
        // The count includes the terminator.
        if (count <= buffer.size()) {
            return std::wstring(buffer.data(), count - 1);
        }
        buffer.assign(count, L'\0');
    }
    return std::nullopt;
}

}  // namespace tarn
