#include "state/shortcut_state.h"

#include "state/state_support.h"

#include "base/verbatim_path.h"
#include "win/task_scheduler.h"

#include <windows.h>

namespace tarn {

int DisableShortcut(const std::wstring&) {
    return 1;
}

int EnableShortcut(const std::wstring&) {
    return 1;
}

int DeleteShortcut(const std::wstring& listedPath) {
    // The file the listing named, even when its name ends in a dot or a blank.
    const std::wstring path = VerbatimPath(listedPath);
    // A delete that reports a failure may have been made all the same: the file system tells.
    if (PresenceOf(path) != FileAt::Absent && !TaskFiles().deleteFile(path.c_str()) &&
        PresenceOf(path) != FileAt::Absent) {
        return 0;
    }
    return 1;
}

}  // namespace tarn
