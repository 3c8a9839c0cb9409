// Windows' own startup switch: values in the "StartupApproved" lists, named as the entries they
// switch. Only their "on" form is ever written; they go only with their entry.
#include "state/shortcut_state.h"
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/startup_approval.h"
#include "win/task_scheduler.h"

#include <shlwapi.h>

namespace tarn {

namespace {

// Deletes the switch value `name` of the open list: true when it is gone, also when the registry
// made the delete but reported a failure.
bool DeleteSwitchValue(RegKey& list, const std::wstring& name) {
    return list.DeleteValue(name) || FindValue(list, name).absent();
}

}  // namespace

std::optional<Lookup<RegValue>> CAutoRunStateChanges::FindApproval(RegKey& list,
                                                                   const std::wstring& approvalKey,
                                                                   const std::wstring& name) {
    const HKEY root = RootFromKeyText(approvalKey);
    const std::wstring path = SubPathFromKeyText(approvalKey, KindValue);
    if (root == nullptr || path.empty()) {
        return std::nullopt;
    }
    if (!list.OpenLink(root, path, kKeyWriteRights)) {
        if (list.status() == ERROR_FILE_NOT_FOUND && ConfirmedAbsent(root, path)) {
            return Lookup<RegValue>{LookupStatus::Absent, {}};
        }
        return std::nullopt;
    }
    // A list that is a link, or is reached through one, is another key: its values are no
    // switches of these entries, and changing them would change that key.
    if (!IsKeyAtItsPath(list, root, path)) {
        return std::nullopt;
    }
    auto found = FindValue(list, name);
    if (found.failed()) {
        return std::nullopt;
    }
    return found;
}

int32_t CAutoRunStateChanges::EnableStartupApproval(const std::wstring& approvalKey, const std::wstring& name) {
    RegKey list;
    const auto found = FindApproval(list, approvalKey, name);
    if (!found) {
        return 0;
    }
    if (!found->found()) {
        return 1;
    }
    const RegValue& value = found->item;
    if (!ReadStartupApproval(value.type, value.bytes.data(), value.bytes.size()).off) {
        return 1;
    }
    const std::vector<uint8_t> on = StartupApprovalOnBytes();
    return WriteVerifiedValue(list, RegValue{value.name, REG_BINARY, {on.begin(), on.end()}}) ? 1 : 0;
}

int32_t CAutoRunStateChanges::DeleteApprovedValueEntry(const std::wstring& keyText,
                                                       const std::wstring& valueName,
                                                       int32_t kind,
                                                       int32_t state,
                                                       const std::wstring& approvalKey) {
    RegKey list;
    const auto approval = FindApproval(list, approvalKey, valueName);
    if (!approval) {
        return 0;
    }
    const auto place = PlaceOf(keyText, kind);
    const auto path = PathForState(place, state);
    RegKey key;
    if (!path) {
        return 0;
    }
    // A stored entry's switch value belongs to a live value of its name while there is one.
    bool switchIsItsOwn = approval->found();
    if (switchIsItsOwn && state == EntryDisabled) {
        if (key.OpenRead(place->root, place->key)) {
            const auto live = FindValue(key, valueName);
            if (live.failed()) {
                return 0;
            }
            switchIsItsOwn = live.absent();
        } else if (key.status() != ERROR_FILE_NOT_FOUND) {
            return 0;
        }
    }
    if (!switchIsItsOwn) {
        return DeleteValueEntry(keyText, valueName, kind, state);
    }
    // The entry's bytes, to put back should its switch value not go.
    if (!key.OpenRead(place->root, *path)) {
        return 0;
    }
    const auto entry = FindValue(key, valueName);
    key.Close();
    if (!entry.found()) {
        return 0;
    }
    // A delete that reports a failure may have been made all the same: the registry tells.
    if (DeleteValueEntry(keyText, valueName, kind, state) == 0 &&
        !(key.OpenRead(place->root, *path) && FindValue(key, valueName).absent())) {
        return 0;
    }
    if (DeleteSwitchValue(list, approval->item.name)) {
        return 1;
    }
    if (key.OpenWrite(place->root, *path)) {
        CopyValueUnlessTaken(key, entry.item);
    }
    return 0;
}

int32_t CAutoRunStateChanges::DeleteApprovedShortcut(const std::wstring& path,
                                                     const std::wstring& approvalKey,
                                                     const std::wstring& name) {
    RegKey list;
    const auto approval = FindApproval(list, approvalKey, name);
    if (!approval) {
        return 0;
    }
    if (!approval->found()) {
        return DeleteShortcut(path);
    }
    // The file's bytes, to write back should its switch value not go.
    std::string bytes;
    const bool exists = ::PathFileExistsW(path.c_str()) != FALSE;
    if (exists && !TaskFiles().readFile(path.c_str(), &bytes)) {
        return 0;
    }
    // A delete that reports a failure may have been made all the same.
    if (DeleteShortcut(path) == 0 && ::PathFileExistsW(path.c_str())) {
        return 0;
    }
    if (DeleteSwitchValue(list, approval->item.name)) {
        return 1;
    }
    if (exists) {
        TaskFiles().writeNewFile(path.c_str(), bytes);
    }
    return 0;
}

}  // namespace tarn
