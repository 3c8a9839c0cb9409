// Files in a Startup folder: switched off by moving them, by a rename within the volume, into the
// folder's "TarnAutoRunDisable" subfolder (Windows starts nothing below the Startup folder), and
// back. A rename takes the file whole, with its times, attributes and streams, and never lands
// on a name already taken: at every moment the file is whole at one end.
#include "state/shortcut_state.h"
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "base/verbatim_path.h"
#include "win/task_scheduler.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <optional>

namespace tarn {

namespace {

struct FilePlace {
    std::wstring folder;
    std::wstring name;
};

std::optional<FilePlace> SplitPath(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0 || slash + 1 >= path.size()) {
        return std::nullopt;
    }
    return FilePlace{path.substr(0, slash), path.substr(slash + 1)};
}

// Renames `from` to `to`; a rename that reports a failure may have been made all the same, and
// the file system tells.
bool MoveWhole(const std::wstring& from, const std::wstring& to) {
    if (TaskFiles().moveFile(from.c_str(), to.c_str())) {
        return true;
    }
    return PresenceOf(from) == FileAt::Absent && PresenceOf(to) == FileAt::File;
}

}  // namespace

int32_t CAutoRunStateChanges::DisableStartupFile(const std::wstring& listedPath) {
    // The file the listing named, even when its name ends in a dot or a blank.
    const std::wstring path = VerbatimPath(listedPath);
    const auto place = SplitPath(path);
    if (!place || PresenceOf(path) != FileAt::File) {
        return 0;
    }
    const std::wstring store = StartupFileStoreOf(place->folder);
    const std::wstring target = JoinKeyText(store, place->name);
    bool created = false;
    if (PresenceOf(store) == FileAt::Absent) {
        if (!TaskFiles().createFolder(store.c_str())) {
            return 0;
        }
        created = true;
    }
    bool moved = false;
    {
        const unique_file pinned = HoldPlainFolder(store);
        moved = pinned && PresenceOf(target) == FileAt::Absent && MoveWhole(path, target);
    }
    if (!moved && created) {
        TaskFiles().removeFolder(store.c_str());
    }
    return moved ? 1 : 0;
}

int32_t CAutoRunStateChanges::EnableStartupFile(const std::wstring& listedPath) {
    const std::wstring storedPath = VerbatimPath(listedPath);
    const auto place = SplitPath(storedPath);
    const auto store = place ? SplitPath(place->folder) : std::nullopt;
    if (!store || !SameRegistryName(store->name, kStoreName) || PresenceOf(storedPath) != FileAt::File) {
        return 0;
    }
    const std::wstring target = JoinKeyText(store->folder, place->name);
    bool moved = false;
    {
        const unique_file pinned = HoldPlainFolder(place->folder);
        moved = pinned && PresenceOf(target) == FileAt::Absent && MoveWhole(storedPath, target);
    }
    if (moved) {
        // Only an empty store goes.
        TaskFiles().removeFolder(place->folder.c_str());
    }
    return moved ? 1 : 0;
}

}  // namespace tarn
