#pragma once

// The other users of the machine: every hive below HKEY_USERS and every profile of ProfileList,
// each opened once per scan. A user who is not logged on has its hive files loaded for reading
// (app hives, private to this process) until the scan ends.

#include "base/scan_scope.h"
#include "base/user_hive_names.h"
#include "win/registry_api.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

struct UserHive {
    std::wstring sid;   // its name below HKEY_USERS: a SID, or ".DEFAULT"
    std::wstring name;  // the account's name, or the SID when it has none
    std::wstring profileFolder;
    // The user's own environment: what their commands and shell folders name by "%APPDATA%" and
    // the like is theirs, not this process's.
    UserVariables variables;
    // The key texts of the user's hive ("HKU\<SID>") and of its classes ("HKU\<SID>_Classes", or
    // "HKU\<SID>\Software\Classes" where the user has no classes hive of its own).
    std::wstring rootText;
    std::wstring classesText;
    // The hive files loaded for reading, empty for a hive Windows has loaded; the names below
    // HKEY_USERS a change loads them at.
    std::wstring hiveFile;
    std::wstring classesHiveFile;
    std::wstring classesHiveKey;
    unique_hkey root;
    unique_hkey classes;
};

class UserHives {
public:
    UserHives() = default;
    UserHives(const UserHives&) = delete;
    UserHives& operator=(const UserHives&) = delete;

    // Every user but the one this process runs as, in the order HKEY_USERS and then ProfileList
    // name them; read at the first call.
    const std::vector<UserHive>& Users();
    // The users whose hive could not be opened or loaded: "<name> (<SID>) <file>: <why>".
    const std::vector<std::wstring>& Unreadable();

private:
    void Read();
    void ReadLoadedHives(const std::wstring& ownSid);
    void ReadProfiles(const std::wstring& ownSid);
    void LoadProfileHive(const std::wstring& sid, const std::wstring& profileFolder);
    static void ReadVariables(UserHive& user);

    std::once_flag once_;
    std::vector<UserHive> users_;
    std::vector<std::wstring> unreadable_;
    std::vector<std::wstring> loadedNames_;
};

using UserHivesScope = ScanScope<UserHives>;

// A shell folder of a user ("Startup", "AppData") as their own settings below `userRoot` name it,
// with their own variables put in; nothing where the settings name none.
std::optional<std::wstring> ShellFolderSetting(HKEY userRoot, const UserVariables& variables, const wchar_t* valueName);

// The users of the scan that runs now; outside a scan, a list of their own for the caller.
std::shared_ptr<UserHives> ScanUserHives();

}  // namespace tarn
