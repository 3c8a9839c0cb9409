#include "model/user_hives.h"

#include "base/key_text.h"
#include "base/registry_failure.h"
#include "base/user_hive_names.h"
#include "model/key_identity.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"
#include "win/accounts.h"
#include "win/environment.h"

#include <tuple>

namespace tarn {

namespace {

constexpr wchar_t kProfileListPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr wchar_t kClassesPath[] = L"Software\\Classes";
constexpr wchar_t kUserHiveFile[] = L"NTUSER.DAT";
// A mandatory profile's hive: Windows loads it in place of NTUSER.DAT.
constexpr wchar_t kMandatoryHiveFile[] = L"NTUSER.MAN";
constexpr wchar_t kClassesHiveFile[] = L"AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";

LONG OpenKey(HKEY parent, const std::wstring& path, unique_hkey& key) {
    return Registry().openKeyEx(parent, path.c_str(), 0, kKeyReadRights, key.put());
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Loads a hive file as an app hive, private to this process. A platform that answers success
// without a key it can read (Wine's stub) is told as a failure.
LONG LoadForReading(const std::wstring& file, unique_hkey& key) {
    if (const LONG code = Registry().loadAppKey(file.c_str(), key.put(), kKeyReadRights, 0, 0); code != ERROR_SUCCESS) {
        key.release();
        return code;
    }
    DWORD subKeys = 0;
    const LONG code = Registry().queryInfoKey(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr);
    if (code != ERROR_SUCCESS) {
        key.reset();
    }
    return code;
}

// The user's classes: their own hive where there is one, else the hive's "Software\Classes".
void OpenClassesWithin(UserHive& user) {
    if (OpenKey(user.root.get(), kClassesPath, user.classes) == ERROR_SUCCESS) {
        user.classesText = JoinKeyText(user.rootText, kClassesPath);
        user.classesHiveFile = user.hiveFile;
        user.classesHiveKey = user.sid;
    }
}

}  // namespace

const std::vector<UserHive>& UserHives::Users() {
    std::call_once(once_, [this] { Read(); });
    return users_;
}

const std::vector<std::wstring>& UserHives::Unreadable() {
    std::call_once(once_, [this] { Read(); });
    return unreadable_;
}

void UserHives::Read() {
    const std::wstring ownSid = CurrentUserSid();
    ReadLoadedHives(ownSid);
    ReadProfiles(ownSid);
    for (UserHive& user : users_) {
        ReadVariables(user);
    }
}

void UserHives::ReadVariables(UserHive& user) {
    // In the order Windows sets them at logon: the profile, application data as the user's own
    // settings put it (else where Windows puts it by default), then the user's "Environment" key.
    user.variables = ProfileVariables(user.profileFolder, user.name == user.sid ? L"" : user.name);
    for (const auto& [variable, folder, belowProfile] :
         {std::tuple{L"APPDATA", L"AppData", L"AppData\\Roaming"},
          std::tuple{L"LOCALAPPDATA", L"Local AppData", L"AppData\\Local"}}) {
        auto path = ShellFolderSetting(user.root.get(), user.variables, folder);
        if (!path && !user.profileFolder.empty()) {
            path = JoinKeyText(user.profileFolder, belowProfile);
        }
        if (path) {
            user.variables.emplace_back(variable, std::move(*path));
        }
    }
    UserVariables environmentKey;
    RegKey environment;
    if (environment.OpenRead(user.root.get(), L"Environment")) {
        ForEachValue(environment, [&](const RegValue& value) {
            if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
                environmentKey.emplace_back(value.name, TextOf(value));
            }
        });
    }
    AddEnvironmentKey(user.variables, environmentKey);
}

void UserHives::ReadLoadedHives(const std::wstring& ownSid) {
    RegKey users;
    if (!users.OpenRead(HKEY_USERS, L"")) {
        unreadable_.push_back(L"HKU: " + RegistryFailureText(users.status()));
        return;
    }
    std::vector<std::wstring> names;
    if (const LONG code = ForEachSubKeyName(users, [&](const std::wstring& name) { names.push_back(name); });
        code != ERROR_SUCCESS) {
        unreadable_.push_back(L"HKU: " + RegistryFailureText(code));
    }
    std::vector<std::wstring> nativeNames;
    // The current user's hive is read as HKCU; under another name (the system account's is also
    // ".DEFAULT") it is not read again.
    if (auto own = NativeKeyNameOf(HKEY_USERS, ownSid, false)) {
        nativeNames.push_back(std::move(*own));
    }
    loadedNames_ = names;
    for (const std::wstring& name : names) {
        if (ClassifyUsersSubKey(name) != UsersSubKey::User || EqualsNoCaseAscii(name, ownSid)) {
            continue;
        }
        // Windows links the system account's SID to ".DEFAULT": one hive, read once.
        const auto native = NativeKeyNameOf(HKEY_USERS, name, false);
        bool seen = false;
        for (const std::wstring& other : nativeNames) {
            seen = seen || (native && SameNativeKeyName(*native, other));
        }
        if (seen) {
            continue;
        }
        UserHive user;
        user.sid = name;
        user.name = name.front() == L'.' ? name : AccountNameOf(name);
        user.rootText = JoinKeyText(L"HKU", name);
        if (const LONG code = OpenKey(HKEY_USERS, name, user.root); code != ERROR_SUCCESS) {
            unreadable_.push_back(user.name + L" (" + user.rootText + L"): " + RegistryFailureText(code));
            continue;
        }
        if (native) {
            nativeNames.push_back(*native);
        }
        const std::wstring classesKey = name + L"_Classes";
        if (OpenKey(HKEY_USERS, classesKey, user.classes) == ERROR_SUCCESS) {
            user.classesText = JoinKeyText(L"HKU", classesKey);
            user.classesHiveKey = classesKey;
        } else {
            OpenClassesWithin(user);
        }
        users_.push_back(std::move(user));
    }
}

void UserHives::ReadProfiles(const std::wstring& ownSid) {
    RegKey list;
    if (!list.OpenRead(HKEY_LOCAL_MACHINE, kProfileListPath)) {
        if (list.status() != ERROR_FILE_NOT_FOUND) {
            unreadable_.push_back(JoinKeyText(L"HKLM", kProfileListPath) + L": " + RegistryFailureText(list.status()));
        }
        return;
    }
    std::vector<std::wstring> sids;
    ForEachSubKeyName(list, [&](const std::wstring& name) { sids.push_back(name); });
    for (const std::wstring& sid : sids) {
        if (ClassifyUsersSubKey(sid) != UsersSubKey::User || EqualsNoCaseAscii(sid, ownSid)) {
            continue;
        }
        RegKey profile;
        if (!profile.OpenRead(list.handle(), sid)) {
            continue;
        }
        auto folder = ExpandEnvironmentText(profile.ReadString(L"ProfileImagePath"));
        // "C:\\Users\\bob\\" is the folder "C:\\Users\\bob": its files and variables are named without
        // a doubled separator.
        while (folder && folder->size() > 3 && folder->back() == L'\\') {
            folder->pop_back();
        }
        if (!folder || folder->empty()) {
            continue;
        }
        for (UserHive& user : users_) {
            if (EqualsNoCaseAscii(user.sid, sid)) {
                user.profileFolder = *folder;
            }
        }
        // A hive Windows has loaded (also one read under another name) is not loaded again.
        bool loaded = false;
        for (const std::wstring& name : loadedNames_) {
            loaded = loaded || EqualsNoCaseAscii(name, sid);
        }
        if (!loaded) {
            LoadProfileHive(sid, *folder);
        }
    }
}

void UserHives::LoadProfileHive(const std::wstring& sid, const std::wstring& profileFolder) {
    std::wstring hiveFile = JoinKeyText(profileFolder, kMandatoryHiveFile);
    if (!FileExists(hiveFile)) {
        hiveFile = JoinKeyText(profileFolder, kUserHiveFile);
    }
    // A profile whose folder holds no hive has nothing to start.
    if (!FileExists(hiveFile)) {
        return;
    }
    UserHive user;
    user.sid = sid;
    user.name = AccountNameOf(sid);
    user.profileFolder = profileFolder;
    user.rootText = JoinKeyText(L"HKU", sid);
    user.hiveFile = hiveFile;
    if (const LONG code = LoadForReading(hiveFile, user.root); code != ERROR_SUCCESS) {
        unreadable_.push_back(user.name + L" (" + sid + L") " + hiveFile + L": " + RegistryFailureText(code));
        return;
    }
    const std::wstring classesFile = JoinKeyText(profileFolder, kClassesHiveFile);
    if (FileExists(classesFile) && LoadForReading(classesFile, user.classes) == ERROR_SUCCESS) {
        user.classesText = JoinKeyText(L"HKU", sid + L"_Classes");
        user.classesHiveFile = classesFile;
        user.classesHiveKey = sid + L"_Classes";
    } else {
        OpenClassesWithin(user);
    }
    users_.push_back(std::move(user));
}

std::optional<std::wstring> ShellFolderSetting(HKEY userRoot,
                                               const UserVariables& variables,
                                               const wchar_t* valueName) {
    constexpr wchar_t kExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    for (const wchar_t* list : {L"User Shell Folders", L"Shell Folders"}) {
        RegKey key;
        if (!key.OpenRead(userRoot, std::wstring(kExplorer) + list)) {
            continue;
        }
        const std::wstring text = key.ReadString(valueName);
        if (text.empty()) {
            continue;
        }
        if (const auto own = WithUserVariables(text, variables)) {
            if (auto expanded = ExpandEnvironmentText(*own); expanded && !expanded->empty()) {
                return expanded;
            }
        }
    }
    return std::nullopt;
}

std::shared_ptr<UserHives> ScanUserHives() {
    if (auto current = UserHivesScope::Current()) {
        return current;
    }
    return std::make_shared<UserHives>();
}

}  // namespace tarn
