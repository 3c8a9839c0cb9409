// Key entries: a subkey moves between its key and the key's store, one level (values only) or
// with its whole tree. The copy is written, read back and compared before the source goes.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "model/autorun_base.h"
#include "model/key_text.h"

namespace tarn {

namespace {

bool KeyExists(HKEY root, const std::wstring& path) {
    RegKey key;
    return key.OpenRead(root, path);
}

// Every key of the tree must fit the path limit below its new place.
bool FitsBelow(const std::wstring& target, const StoredTree& tree) {
    for (const StoredKey& key : tree) {
        if (TreeKeyPath(target, key).size() > kMaxJoinedPathLength) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool CAutoRunStateChanges::MoveKey(const Place& place, const std::wstring& from, const std::wstring& to,
                                   const std::wstring& name, bool oneLevel, bool toStore) {
    const auto source = JoinKeyPath(from, name);
    const auto target = JoinKeyPath(to, name);
    if (!source || !target) {
        return false;
    }
    // Everything that can be known beforehand is checked before anything changes.
    const auto tree = ReadTree(place.root, *source);
    if (!tree || !FitsBelow(*target, *tree)) {
        return false;
    }
    if (oneLevel && (tree->size() != 1 || tree->front().values.empty())) {
        return false;
    }
    // A registration already at the destination is never overwritten.
    if (KeyExists(place.root, *target)) {
        return false;
    }
    const bool storeExisted = KeyExists(place.root, place.store);

    const bool copied = WriteTree(place.root, *target, *tree);
    const auto copy = copied ? ReadTree(place.root, *target) : std::nullopt;
    if (!copy || !SameTree(*tree, *copy)) {
        DeleteWholeTree(place.root, *target);  // what a failed copy left behind
        if (toStore && !storeExisted) {
            DeleteStoreIfEmpty(place.root, place.key, place.store);
        }
        return false;
    }
    // The source goes only once its copy is complete and equal; its top key goes last.
    return DeleteTreeKeys(place.root, *source, *tree);
}

int32_t CAutoRunStateChanges::DisableKey(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    if (!place || !workingKey.OpenRead(place->root, place->key)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindSubKey(workingKey, subKeyName);
    return name && MoveKey(*place, place->key, place->store, *name, true, true) ? 1 : 0;
}

int32_t CAutoRunStateChanges::EnableKey(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    if (!place || !workingKey.OpenRead(place->root, place->store)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindSubKey(workingKey, subKeyName);
    if (!name || !KeyExists(place->root, place->key) ||
        !MoveKey(*place, place->store, place->key, *name, true, false)) {
        return 0;
    }
    workingKey.Close();
    return DeleteStoreIfEmpty(place->root, place->key, place->store) != StoreCleanup::Failed ? 1 : 0;
}

int32_t CAutoRunStateChanges::DisableKeyTree(const std::wstring& keyText, const std::wstring& subKeyName,
                                             int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    if (!place || !workingKey.OpenWrite(place->root, place->key)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindSubKey(workingKey, subKeyName);
    return name && MoveKey(*place, place->key, place->store, *name, false, true) ? 1 : 0;
}

int32_t CAutoRunStateChanges::EnableKeyTree(const std::wstring& keyText, const std::wstring& subKeyName,
                                            int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    if (!place || !workingKey.OpenWrite(place->root, place->store)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindSubKey(workingKey, subKeyName);
    if (!name || !MoveKey(*place, place->store, place->key, *name, false, false)) {
        return 0;
    }
    // The stored tree is gone: that is the success. An emptied store key goes as well.
    workingKey.Close();
    DeleteStoreIfEmpty(place->root, place->key, place->store);
    return 1;
}

int32_t CAutoRunStateChanges::DeleteKeyEntry(const std::wstring& keyText, const std::wstring& subKeyName,
                                             int32_t kind, int32_t state) {
    const auto place = PlaceOf(keyText, kind);
    const auto path = PathForState(place, state);
    return path && DeleteNamedSubKey(place->root, *path, subKeyName) ? 1 : 0;
}

bool CAutoRunStateChanges::DeleteNamedSubKey(HKEY root, const std::wstring& path, const std::wstring& subKeyName) {
    RegKey key;
    if (!key.OpenRead(root, path)) {
        return false;
    }
    const auto name = FindSubKey(key, subKeyName);
    // A key with subkeys of its own cannot go this way.
    return name && key.DeleteSubKey(*name);
}

int32_t CAutoRunStateChanges::DeleteKeyTreeEntry(const std::wstring& keyText, const std::wstring& subKeyName,
                                                 int32_t kind, int32_t state) {
    const auto place = PlaceOf(keyText, kind);
    const auto path = PathForState(place, state);
    return path && DeleteTree(place->root, *path, subKeyName) ? 1 : 0;
}

bool CAutoRunStateChanges::DeleteTree(HKEY root, const std::wstring& path, const std::wstring& subKeyName) {
    RegKey key;
    if (!key.OpenWrite(root, path)) {
        return false;
    }
    const auto name = FindSubKey(key, subKeyName);
    if (!name) {
        return false;
    }
    key.Close();
    const auto top = JoinKeyPath(path, *name);
    return top && DeleteWholeTree(root, *top);
}

}  // namespace tarn
