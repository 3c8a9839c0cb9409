// Windows' own startup switch: values in the "StartupApproved" lists, named as the entries they
// switch. Only their "on" form is ever written; they go only with their entry.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/startup_approval.h"
#include "base/store_name.h"
#include "base/verbatim_path.h"
#include "win/task_scheduler.h"

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

namespace {

constexpr int kPutBackAttempts = 3;

// Puts a switch value back as it was, unless another of its name is there now; tried again a few
// times, as its bytes exist nowhere else. False when it could not be put back.
bool PutSwitchBack(RegKey& list, const RegValue& value) {
    for (int attempt = 0; attempt < kPutBackAttempts; ++attempt) {
        if (CopyValueUnlessTaken(list, value)) {
            return true;
        }
    }
    return false;
}

// Removes the switch value first (its bytes are known), then the entry with `removeEntry`; when
// the entry cannot go, the switch goes back. True only when both are gone.
template <typename RemoveEntry>
bool RemoveSwitchThenEntry(RegKey& list, const RegValue& switchValue, RemoveEntry removeEntry) {
    if (!DeleteSwitchValue(list, switchValue.name)) {
        return false;
    }
    if (removeEntry()) {
        return true;
    }
    PutSwitchBack(list, switchValue);
    return false;
}

}  // namespace

int32_t CAutoRunStateChanges::DeleteApprovedValueEntry(const std::wstring& keyText,
                                                       const std::wstring& valueName,
                                                       int32_t kind,
                                                       int32_t state,
                                                       const std::wstring& approvalKey) {
    RegKey list;
    const auto approval = FindApproval(list, approvalKey, valueName);
    const auto place = PlaceOf(keyText, kind);
    const auto path = PathForState(place, state);
    if (!approval || !path) {
        return 0;
    }
    // The switch value is one for the live value and the stored one of its name: it goes only with
    // the last of them, or a namesake switched back on later would start although Windows had it off.
    bool switchIsItsOwn = approval->found();
    if (switchIsItsOwn) {
        const bool inStore = state == EntryDisabled;
        RegKey other;
        const bool opened =
            inStore ? other.OpenRead(place->root, place->key) : OpenPlaceKey(other, *place, PlaceKey::OwnStore);
        if (opened) {
            const auto namesake = FindValue(other, valueName);
            if (namesake.failed()) {
                return 0;
            }
            switchIsItsOwn = namesake.absent();
        } else if (!ConfirmedAbsent(place->root, inStore ? place->key : place->store)) {
            return 0;  // whether a namesake is there cannot be told
        }
    }
    if (!switchIsItsOwn) {
        return DeleteValueEntry(keyText, valueName, kind, state);
    }
    RegKey key;
    if (!key.OpenRead(place->root, *path) || !FindValue(key, valueName).found()) {
        return 0;
    }
    key.Close();
    // A delete that reports a failure may have been made all the same: the registry tells.
    const auto removeEntry = [&] {
        return DeleteValueEntry(keyText, valueName, kind, state) != 0 ||
               (key.OpenRead(place->root, *path) && FindValue(key, valueName).absent());
    };
    return RemoveSwitchThenEntry(list, approval->item, removeEntry) ? 1 : 0;
}

int32_t CAutoRunStateChanges::DeleteApprovedShortcut(const std::wstring& path,
                                                     const std::wstring& approvalKey,
                                                     const std::wstring& name) {
    RegKey list;
    const auto approval = FindApproval(list, approvalKey, name);
    if (!approval) {
        return 0;
    }
    // A file of its name switched off in the folder's store shares the switch: it stays for it
    // (also when whether one is there cannot be told).
    const std::size_t slash = path.find_last_of(L'\\');
    const bool namesakeStored =
        slash != std::wstring::npos &&
        PresenceOf(VerbatimPath(JoinKeyText(StartupFileStoreOf(path.substr(0, slash)), name))) != FileAt::Absent;
    if (!approval->found() || namesakeStored) {
        return DeleteShortcut(path);
    }
    // A delete that reports a failure may have been made all the same.
    const auto removeFile = [&] {
        return DeleteShortcut(path) != 0 || PresenceOf(VerbatimPath(path)) == FileAt::Absent;
    };
    return RemoveSwitchThenEntry(list, approval->item, removeFile) ? 1 : 0;
}

}  // namespace tarn
