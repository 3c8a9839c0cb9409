#include "state/shortcut_state.h"

#include "win/task_scheduler.h"

#include <windows.h>
#include <shlwapi.h>

namespace tarn {

int DisableShortcut(const std::wstring&) {
    return 1;
}

int EnableShortcut(const std::wstring&) {
    return 1;
}

int DeleteShortcut(const std::wstring& path) {
    // A delete that reports a failure may have been made all the same: the file system tells.
    if (::PathFileExistsW(path.c_str()) && !TaskFiles().deleteFile(path.c_str()) && ::PathFileExistsW(path.c_str())) {
        return 0;
    }
    return 1;
}

}  // namespace tarn
