#include "state/state_changes.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "state/shortcut_state.h"
#include "state/task_state.h"

namespace tarn {

std::optional<std::wstring> CAutoRunStateChanges::PathForState(const std::optional<Place>& place, int32_t state) {
    if (!place) {
        return std::nullopt;
    }
    switch (state) {
        case EntryEnabled:
        case EntryOffByWindows:
        case EntryFileMissing:
            return place->key;
        case EntryDisabled:
            if (CheckStore(*place) != StoreStatus::Own) {
                return std::nullopt;
            }
            return place->store;
        default:
            return std::nullopt;
    }
}

int32_t CAutoRunStateChanges::DisableTask(const std::wstring& name) {
    return tarn::DisableTask(name);
}

int32_t CAutoRunStateChanges::EnableTask(const std::wstring& name) {
    return tarn::EnableTask(name);
}

int32_t CAutoRunStateChanges::DeleteTask(const std::wstring& name) {
    return tarn::DeleteTask(name);
}

int32_t CAutoRunStateChanges::DisableShortcut(const std::wstring& entryText) {
    return tarn::DisableShortcut(entryText);
}

int32_t CAutoRunStateChanges::EnableShortcut(const std::wstring& entryText) {
    return tarn::EnableShortcut(entryText);
}

int32_t CAutoRunStateChanges::DeleteShortcut(const std::wstring& path) {
    return tarn::DeleteShortcut(path);
}

}  // namespace tarn
