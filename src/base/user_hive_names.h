#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarn {

// What a key right below HKEY_USERS holds: a user's hive (a SID, or ".DEFAULT", the hive of
// the system account that new profiles start from), a user's classes hive ("<SID>_Classes"), or
// something else (a hive another program loaded there under a name of its own).
enum class UsersSubKey { User, Classes, Other };
UsersSubKey ClassifyUsersSubKey(const std::wstring& name);

// Another user's own environment variables, name and value, as Windows sets them at that user's
// logon (the profile folder, application data, the user's "Environment" key). An empty value
// stands for a variable the user has whose value cannot be told.
using UserVariables = std::vector<std::pair<std::wstring, std::wstring>>;

// Variables Windows gives each user a value of their own; the current user's value of these is
// never another user's.
bool IsPerUserVariable(const std::wstring& name);

// The value `variables` hold for `name` (any letter case); nothing when they hold none or only an
// unknown one.
std::optional<std::wstring> UserVariable(const UserVariables& variables, const std::wstring& name);

// `text` with each "%NAME%" that `variables` holds (any letter case) replaced by its value;
// nothing when it names a per-user variable whose value is not known. Other references are left
// for the machine's environment.
std::optional<std::wstring> WithUserVariables(const std::wstring& text, const UserVariables& variables);

// The variables that follow from a user's profile folder and account name (either may be empty).
UserVariables ProfileVariables(const std::wstring& profileFolder, const std::wstring& accountName);

// Adds the values of the user's "Environment" key, the variables known so far put in; they take
// the place of those of the same name. The user's "Path" adds to the machine's and is left out.
void AddEnvironmentKey(UserVariables& variables, const UserVariables& environmentKey);

}  // namespace tarn
