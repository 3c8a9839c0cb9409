#pragma once

// Helpers shared by the state-change operations.

#include "model/reg_key.h"
#include "state/registry_tree.h"

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

// A value read whole with its type and exact byte count; nothing when it cannot be read, with
// the platform's code in `code` when asked (ERROR_FILE_NOT_FOUND: there is no such value).
std::optional<StoredValue> ReadStoredValue(RegKey& key, const std::wstring& name, LONG* code = nullptr);

// Writes a value and reads it back: true only when the registry holds exactly these bytes.
bool WriteVerifiedValue(RegKey& key, const StoredValue& value);

enum class StoreCleanup { Deleted, StillInUse, Failed };

// Deletes the store key below `keyPath` when it holds neither values nor subkeys. A store that
// still holds other registrations is kept.
StoreCleanup DeleteStoreIfEmpty(HKEY root, const std::wstring& keyPath, const std::wstring& storePath);

}  // namespace tarn
