#pragma once

#include <optional>
#include <string>

namespace tarn {

// What a key right below HKEY_USERS holds: a user's hive (a SID, or ".DEFAULT", the hive of
// the system account that new profiles start from), a user's classes hive ("<SID>_Classes"), or
// something else (a hive another program loaded there under a name of its own).
enum class UsersSubKey { User, Classes, Other };
UsersSubKey ClassifyUsersSubKey(const std::wstring& name);

// A shell-folder text of another user with "%USERPROFILE%" (any letter case) replaced by that
// user's profile folder; nothing when it names the profile and the folder is not known. Other
// references are left for the environment.
std::optional<std::wstring> WithProfileFolder(const std::wstring& text, const std::wstring& profileFolder);

}  // namespace tarn
