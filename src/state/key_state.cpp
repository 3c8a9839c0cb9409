// Key entries: a subkey moves between its key and the key's store, one level (values only) or
// with its whole tree. The copy is a new key: it is written, read back and compared, given its
// original's security, and only then does the source go.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/store_name.h"

#include <algorithm>

namespace tarn {

namespace {

// Every key of the tree must fit the path limit below its new place.
bool FitsBelow(const std::wstring& target, const StoredTree& tree) {
    return std::all_of(tree.begin(), tree.end(),
                       [&](const StoredKey& key) { return TreeKeyPath(target, key).size() <= kMaxJoinedPathLength; });
}

}  // namespace

bool CAutoRunStateChanges::MoveKey(const Place& place,
                                   const std::wstring& from,
                                   const std::wstring& to,
                                   const std::wstring& name,
                                   bool oneLevel,
                                   bool toStore) {
    const auto source = JoinKeyPath(from, name);
    const auto target = JoinKeyPath(to, name);
    // A store is never moved as an entry: inside itself it would hide every entry it keeps.
    if (!source || !target || IsStoreName(name)) {
        return false;
    }
    // Everything that can be known beforehand is checked before anything changes, down to whether
    // every key of the source may be deleted once its copy stands.
    const auto tree = ReadTree(place.root, *source, TreeContent::Whole);
    if (!tree || !FitsBelow(*target, *tree) || HoldsLink(*tree) || !CanDeleteTree(place.root, *source, *tree)) {
        return false;
    }
    if (oneLevel && (tree->size() != 1 || tree->front().values.empty())) {
        return false;
    }
    bool createdStore = false;
    if (toStore) {
        RegKey store;
        if (!OpenOwnStore(store, place, true, &createdStore)) {
            return false;
        }
    } else if (CheckStore(place) != StoreStatus::Own) {
        return false;
    }
    auto undo = [&](const std::vector<std::wstring>& created) {
        // Only what this move created itself goes again; another's key at the target stays.
        RemoveCreatedKeys(place.root, *target, created);
        if (createdStore) {
            DeleteStoreIfEmpty(place);
        }
        return false;
    };
    // A registration already at the destination is never written to: the name must be free there
    // (a failed look-up is no answer), and the copy is created as a new key.
    RegKey destination;
    if (!destination.OpenRead(place.root, to) || !FindSubKey(destination, name).absent()) {
        return undo({});
    }
    destination.Close();
    std::vector<std::wstring> created;
    if (!CopyTree(place.root, *tree, to, name, created)) {
        return undo(created);
    }
    // The source goes only once its copy is complete and equal; its top key goes last.
    return DeleteTreeKeys(place.root, *source, *tree);
}

int32_t CAutoRunStateChanges::DisableKey(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind) {
    return ActOnSubKey(keyText, kind, PlaceKey::Live, subKeyName,
                       [](const Place& place, RegKey&, const std::wstring& name) {
                           return MoveKey(place, place.key, place.store, name, true, true);
                       });
}

int32_t CAutoRunStateChanges::EnableKey(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind) {
    return ActOnSubKey(keyText, kind, PlaceKey::Store, subKeyName,
                       [](const Place& place, RegKey& store, const std::wstring& name) {
                           if (KeyPresence(place.root, place.key) != Presence::Present ||
                               !MoveKey(place, place.store, place.key, name, true, false)) {
                               return false;
                           }
                           store.Close();
                           return DeleteStoreIfEmpty(place) != StoreCleanup::Failed;
                       });
}

int32_t CAutoRunStateChanges::DisableKeyTree(const std::wstring& keyText,
                                             const std::wstring& subKeyName,
                                             int32_t kind) {
    return ActOnSubKey(keyText, kind, PlaceKey::LiveForWriting, subKeyName,
                       [](const Place& place, RegKey&, const std::wstring& name) {
                           return MoveKey(place, place.key, place.store, name, false, true);
                       });
}

int32_t CAutoRunStateChanges::EnableKeyTree(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind) {
    return ActOnSubKey(keyText, kind, PlaceKey::StoreForWriting, subKeyName,
                       [](const Place& place, RegKey& store, const std::wstring& name) {
                           if (!MoveKey(place, place.store, place.key, name, false, false)) {
                               return false;
                           }
                           // The stored tree is gone: that is the success. An emptied store key goes
                           // as well.
                           store.Close();
                           DeleteStoreIfEmpty(place);
                           return true;
                       });
}

int32_t CAutoRunStateChanges::DeleteKeyEntry(const std::wstring& keyText,
                                             const std::wstring& subKeyName,
                                             int32_t kind,
                                             int32_t state) {
    return DeleteWhereTheStateSays(keyText, kind, state, subKeyName, DeleteNamedSubKey);
}

bool CAutoRunStateChanges::DeleteNamedSubKey(HKEY root, const std::wstring& path, const std::wstring& subKeyName) {
    RegKey key;
    if (!key.OpenRead(root, path)) {
        return false;
    }
    const auto name = FindSubKey(key, subKeyName);
    // A key with subkeys of its own cannot go this way; a link goes itself, never its target. A
    // delete that reports a failure may have been made all the same: the registry tells.
    return name.found() && !IsStoreName(name.item) &&
           (key.DeleteSubKey(name.item) || FindSubKey(key, name.item).absent());
}

int32_t CAutoRunStateChanges::DeleteKeyTreeEntry(const std::wstring& keyText,
                                                 const std::wstring& subKeyName,
                                                 int32_t kind,
                                                 int32_t state) {
    return !IsStoreName(subKeyName) ? DeleteWhereTheStateSays(keyText, kind, state, subKeyName, DeleteTree) : 0;
}

bool CAutoRunStateChanges::DeleteTree(HKEY root, const std::wstring& path, const std::wstring& subKeyName) {
    RegKey key;
    if (!key.OpenRead(root, path)) {
        return false;
    }
    const auto name = FindSubKey(key, subKeyName);
    if (!name.found()) {
        return false;
    }
    key.Close();
    const auto top = JoinKeyPath(path, name.item);
    return top && DeleteWholeTree(root, *top);
}

}  // namespace tarn
