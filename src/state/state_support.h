#pragma once

// Helpers shared by the state-change operations.

#include "model/reg_key.h"
#include "model/registry_walk.h"

#include <optional>
#include <string>

namespace tarn {

// Closes a key on every way out of the scope.
class CloseOnExit {
public:
    explicit CloseOnExit(RegKey& key) : key_(key) {}
    ~CloseOnExit() { key_.Close(); }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    RegKey& key_;
};

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

enum class StoreCleanup { Deleted, StillInUse, Failed };

// Deletes the store key below `keyPath` when it holds neither values nor subkeys. A store that
// still holds other registrations is kept.
StoreCleanup DeleteStoreIfEmpty(HKEY root, const std::wstring& keyPath, const std::wstring& storePath);

}  // namespace tarn
