#include "state/user_hive_load.h"

#include "win/registry_api.h"

namespace tarn {

namespace {

bool UsersKeyExists(const std::wstring& name) {
    unique_hkey key;
    return Registry().openKeyEx(HKEY_USERS, name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A key below HKEY_USERS that is there and holds no key or value.
bool UsersKeyIsEmpty(const std::wstring& name) {
    unique_hkey key;
    if (Registry().openKeyEx(HKEY_USERS, name.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD subKeys = 1;
    DWORD values = 1;
    return Registry().queryInfoKey(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys == 0 && values == 0;
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
    } else if (UsersKeyIsEmpty(entry.userHiveKey)) {
        // A platform that leaves an empty key behind after a failed load (Wine) gets it unloaded. A
        // hive that holds keys is the user's own, loaded meanwhile by their logon: it stays.
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
