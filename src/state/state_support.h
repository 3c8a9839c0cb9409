#pragma once

// Helpers shared by the state-change operations.

#include "model/reg_key.h"
#include "model/registry_walk.h"
#include "win/unique_handle.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

// Where an entry lives: its root, the key path K and K's store path.
struct EntryPlace {
    HKEY root = nullptr;
    std::wstring key;
    std::wstring store;
};

// The place of an entry from its key text: nothing when the text names no root or key, or its
// store's path would not fit.
std::optional<EntryPlace> EntryPlaceOf(const std::wstring& keyText, int32_t kind);

// Which key of an entry's place an operation works in: the live key, the store as the key's own
// (checked), or the store as its path names it (for operations that check it themselves).
enum class PlaceKey { Live, LiveForWriting, OwnStore, Store, StoreForWriting };

// Opens that key of the place; false when it cannot be had (a store must be the key's own).
bool OpenPlaceKey(RegKey& key, const EntryPlace& place, PlaceKey which);

// The skeleton of the value and key operations: the entry's place, one of its keys opened, and the
// value (or subkey) `name` found there, as the registry compares names; `act(place, key, found)`
// then does the operation. 0 when any step fails or the name is not there.
template <typename Find, typename Act>
int32_t ActOnNamed(const std::wstring& keyText,
                   int32_t kind,
                   PlaceKey which,
                   const std::wstring& name,
                   Find find,
                   Act act) {
    const auto place = EntryPlaceOf(keyText, kind);
    RegKey key;
    if (!place || !OpenPlaceKey(key, *place, which)) {
        return 0;
    }
    const auto found = find(key, name);
    return found.found() && act(*place, key, found.item) ? 1 : 0;
}
template <typename Act>
int32_t ActOnValue(const std::wstring& keyText, int32_t kind, PlaceKey which, const std::wstring& name, Act act) {
    return ActOnNamed(keyText, kind, which, name, FindValue, act);
}
template <typename Act>
int32_t ActOnSubKey(const std::wstring& keyText, int32_t kind, PlaceKey which, const std::wstring& name, Act act) {
    return ActOnNamed(keyText, kind, which, name, FindSubKey, act);
}

// Whether a subkey name is the store's (in any letter case): such a key is never an entry to move
// or delete, or every entry it keeps would go with it.
bool IsStoreName(const std::wstring& name);

// Whether K's store is K's own: a key of its own right below K. A store that is a link (to itself,
// to K, to another key or to none) is refused, and so is one whose kind cannot be told.
enum class StoreStatus { Absent, Own, Refused };
StoreStatus CheckStore(const EntryPlace& place);

// Opens K's own store with write rights; when it is absent and `create` is set, creates it as a
// new key (`created` then tells so). False, with nothing changed, when the store is refused, absent
// (without `create`) or cannot be had.
bool OpenOwnStore(RegKey& store, const EntryPlace& place, bool create, bool* created = nullptr);

// Writes a value and reads it back: true only when the registry holds exactly these bytes.
bool WriteVerifiedValue(RegKey& key, const RegValue& value);

// Where a value must go: whether a value of that name (as the registry compares names) is
// already there. A value byte for byte the same, name included, is no obstacle: writing it again
// loses nothing. Any other is a different registration that must not be overwritten.
enum class Destination { Free, SameCopy, Taken, Unknown };
Destination ValueDestination(RegKey& key, const RegValue& value);

// Puts the value into `destination` unless another registration of that name is there or the
// look could not tell: true when the destination now holds exactly its bytes.
bool CopyValueUnlessTaken(RegKey& destination, const RegValue& value);

// Whether a key exists: only "not found" means absent, any other failure leaves it unknown.
enum class Presence { Present, Absent, Unknown };
Presence KeyPresence(HKEY root, const std::wstring& path);

// Whether a key is absent for certain: a "not found" from opening it is believed only once the
// nearest key above it that opens does not list the next key of its path.
bool ConfirmedAbsent(HKEY root, const std::wstring& path);

// Whether a key opened as itself (`opened`, with query rights) is the plain key `path` spells,
// reached through no link: only then are its values its own to change.
bool IsKeyAtItsPath(RegKey& opened, HKEY root, const std::wstring& path);

enum class StoreCleanup { Deleted, StillInUse, Failed };

// Deletes K's own store when it holds neither values nor subkeys. A store that still holds other
// registrations is kept; one that is not K's own is never touched.
StoreCleanup DeleteStoreIfEmpty(const EntryPlace& place);

// What is at a file path: nothing, a plain file, or something else (a folder, a link, or what
// cannot be told, which counts as taken).
enum class FileAt { Absent, File, Other };
FileAt PresenceOf(const std::wstring& path);

// Holds a folder open, so that it can be neither removed nor swapped for a link while the handle
// lives; empty when it is a link, a junction or no folder.
unique_file HoldPlainFolder(const std::wstring& folder);

// Keeps `bytes` in a new file `file` below the folder `base`, or, when that name is taken, with
// " (2)", " (3)" ... before its extension (an earlier copy is never overwritten). Every folder from
// `base` down is a plain folder, found as one or made, and held while the file is written; true only
// when the file reads back whole. A copy that may be partial does not stay.
bool KeepNewCopy(const std::wstring& base, const std::wstring& file, const std::string& bytes);

}  // namespace tarn
