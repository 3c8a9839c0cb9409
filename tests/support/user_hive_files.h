#pragma once

#include "win/registry_api.h"

#include <windows.h>

#include <functional>
#include <string>

namespace tarn::test {

// SIDs of the test users; no account has them, so each is shown by its SID.
inline const std::wstring kTestUserSidPrefix = L"S-1-5-21-7001-7002-7003-";
inline std::wstring TestUserSid(int rid) {
    return kTestUserSidPrefix + std::to_wstring(rid);
}

// Writes a hive file at `file` (replacing one there) holding what `fill` writes into an empty key.
void SaveHiveFile(const std::wstring& file, const std::function<void(HKEY)>& fill);

// A hive file loaded below HKEY_USERS as `name` for the scope, as Windows loads a logged-on
// user's; anything loaded there before goes first.
class LoadedUserHive {
public:
    LoadedUserHive(const std::wstring& name, const std::wstring& file);
    ~LoadedUserHive();
    LoadedUserHive(const LoadedUserHive&) = delete;
    LoadedUserHive& operator=(const LoadedUserHive&) = delete;

private:
    std::wstring name_;
};

// Unloads `name` below HKEY_USERS when loaded; true when it is not there afterwards.
bool UnloadUserHive(const std::wstring& name);

// Where Wine's hives differ from Windows', for the life of the scope:
// - Windows writes a hive loaded with RegLoadKey through to its file; Wine drops its changes on
//   RegUnLoadKey. An unload first saves the hive back to the file it was loaded from.
// - Wine's RegLoadAppKey is a stub that answers success with a key nothing can be read through.
//   An app hive is loaded below HKEY_USERS under a private name (never a SID) and unloaded when
//   its key is closed, as Windows unloads an app hive with its last key.
class HiveStandIns {
public:
    HiveStandIns();
    HiveStandIns(const HiveStandIns&) = delete;
    HiveStandIns& operator=(const HiveStandIns&) = delete;

private:
    ScopedRegistryApi scope_;
};

}  // namespace tarn::test
