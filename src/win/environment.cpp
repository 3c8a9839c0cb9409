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

}  // namespace tarn
