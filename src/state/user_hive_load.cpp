#include "state/user_hive_load.h"

#include "win/registry_api.h"

namespace tarn {

namespace {

bool UsersKeyExists(const std::wstring& name) {
    unique_hkey key;
    return Registry().openKeyEx(HKEY_USERS, name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace

UserHiveLoad::UserHiveLoad(const AutoRunEntry& entry) {
    if (entry.userHive.empty() || entry.userHiveKey.empty() || UsersKeyExists(entry.userHiveKey)) {
        return;
    }
    restore_ = std::make_unique<ScopedPrivilege>(SE_RESTORE_NAME);
    backup_ = std::make_unique<ScopedPrivilege>(SE_BACKUP_NAME);
    if (!restore_->enabled() || !backup_->enabled()) {
        code_ = ERROR_PRIVILEGE_NOT_HELD;
        return;
    }
    code_ = Registry().loadKey(HKEY_USERS, entry.userHiveKey.c_str(), entry.userHive.c_str());
    if (code_ == ERROR_SUCCESS) {
        keyName_ = entry.userHiveKey;
        loaded_ = true;
    } else if (UsersKeyExists(entry.userHiveKey)) {
        // A platform that leaves the key of a failed load behind (Wine) gets it unloaded.
        Registry().unLoadKey(HKEY_USERS, entry.userHiveKey.c_str());
    }
}

UserHiveLoad::~UserHiveLoad() {
    if (!loaded_) {
        return;
    }
    // Another program may hold a key of the hive for a moment (a scanner that saw it loaded): the
    // unload is tried again before the hive is left loaded.
    constexpr int kUnloadAttempts = 5;
    for (int attempt = 0; attempt < kUnloadAttempts; ++attempt) {
        if (attempt > 0) {
            ::Sleep(100);
        }
        if (Registry().unLoadKey(HKEY_USERS, keyName_.c_str()) == ERROR_SUCCESS) {
            return;
        }
    }
}

}  // namespace tarn
