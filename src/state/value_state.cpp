// Value entries: a named value moves between its key and the key's store, byte for byte.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/store_name.h"

namespace tarn {

int32_t CAutoRunStateChanges::DisableValue(const std::wstring& keyText, const std::wstring& valueName, int32_t kind) {
    return ActOnValue(keyText, kind, PlaceKey::LiveForWriting, valueName, MoveValueToStore);
}

bool CAutoRunStateChanges::MoveValueToStore(const Place& place, RegKey& from, const RegValue& value) {
    RegKey store;
    bool createdStore = false;
    if (!OpenOwnStore(store, place, true, &createdStore)) {
        return false;
    }
    // An earlier copy of the same name in the store is another registration: never overwritten.
    // The live value goes only once the store holds exactly its bytes.
    if (!CopyValueUnlessTaken(store, value)) {
        store.Close();
        if (createdStore) {
            DeleteStoreIfEmpty(place);
        }
        return false;
    }
    return from.DeleteValue(value.name);
}

int32_t CAutoRunStateChanges::EnableValue(const std::wstring& keyText, const std::wstring& valueName, int32_t kind) {
    return ActOnValue(keyText, kind, PlaceKey::OwnStore, valueName, RestoreValueFromStore);
}

bool CAutoRunStateChanges::RestoreValueFromStore(const Place& place, RegKey& from, const RegValue& value) {
    RegKey live;
    if (!live.OpenWrite(place.root, place.key)) {
        return false;
    }
    // A live value of the same name is another registration: never overwritten.
    if (!CopyValueUnlessTaken(live, value)) {
        return false;
    }
    if (!from.DeleteValue(value.name)) {
        return false;
    }
    from.Close();
    return DeleteStoreIfEmpty(place) != StoreCleanup::Failed;
}

int32_t CAutoRunStateChanges::DeleteValueEntry(const std::wstring& keyText,
                                               const std::wstring& valueName,
                                               int32_t kind,
                                               int32_t state) {
    // Deleting a stored value keeps the store key, even when this empties it.
    return DeleteWhereTheStateSays(keyText, kind, state, valueName, DeleteNamedValue);
}

bool CAutoRunStateChanges::DeleteNamedValue(HKEY root, const std::wstring& path, const std::wstring& valueName) {
    RegKey key;
    if (!key.OpenWrite(root, path)) {
        return false;
    }
    const auto value = FindValue(key, valueName);
    // A delete that reports a failure may have been made all the same: the registry tells.
    return value.found() && (key.DeleteValue(value.item.name) || FindValue(key, value.item.name).absent());
}

}  // namespace tarn
