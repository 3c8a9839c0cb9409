#include "fileinfo/image_path.h"

#include "fileinfo/image_path_rules.h"
#include "win/environment.h"

#include <windows.h>
#include <shlwapi.h>

namespace tarn {

int ResolveImagePath(AutoRunEntry* entry, const std::wstring& text) {
    static const ImagePathEnvironment kMachine = {
        [](const wchar_t* name) { return ReadEnvironmentVariable(name); },
        [](const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; },
        [](const std::wstring& command) { return ExpandEnvironmentText(command); },
    };
    const auto resolved = ResolveImagePathText(text, kMachine);
    if (!resolved) {
        return 0;
    }
    if (entry != nullptr) {
        entry->imagePath = *resolved;
    }
    return 1;
}

}  // namespace tarn
