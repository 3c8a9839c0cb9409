#pragma once

#include "base/autorun_entry.h"
#include "win/privilege.h"

#include <windows.h>

#include <memory>
#include <string>

namespace tarn {

// Makes another user's hive that the scan read from its file reachable for a change: loaded below
// HKEY_USERS under the name the entry's key texts give it (with the backup and restore
// privileges), and unloaded when the scope ends. Nothing is done for an entry of a hive Windows
// has loaded, nor when the user's hive is there again (they logged on meanwhile).
class UserHiveLoad {
public:
    explicit UserHiveLoad(const AutoRunEntry& entry);
    ~UserHiveLoad();
    UserHiveLoad(const UserHiveLoad&) = delete;
    UserHiveLoad& operator=(const UserHiveLoad&) = delete;

    // False when the hive is needed and could not be loaded; `code` tells why.
    bool ok() const { return code_ == ERROR_SUCCESS; }
    LONG code() const { return code_; }

private:
    std::wstring keyName_;
    std::unique_ptr<ScopedPrivilege> restore_;
    std::unique_ptr<ScopedPrivilege> backup_;
    LONG code_ = ERROR_SUCCESS;
    bool loaded_ = false;
};

}  // namespace tarn
