#include "support/user_hive_files.h"

#include "win/privilege.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

namespace tarn::test {

namespace {

constexpr wchar_t kSourceKey[] = L"TarnTestHiveSource";

std::mutex g_mutex;
// Where each hive loaded through FileBackedHives came from, by its name below HKEY_USERS.
std::map<std::wstring, std::wstring> g_loadedFrom;

LONG SaveKeyTo(HKEY key, const std::wstring& file) {
    const std::wstring fresh = file + L".new";
    ::DeleteFileW(fresh.c_str());
    const ScopedPrivilege backup(SE_BACKUP_NAME);
    const LONG code = ::RegSaveKeyW(key, fresh.c_str(), nullptr);
    if (code != ERROR_SUCCESS) {
        return code;
    }
    return ::MoveFileExW(fresh.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) ? ERROR_SUCCESS
                                                                                 : static_cast<LONG>(::GetLastError());
}

LONG LoadRemembered(HKEY parent, const wchar_t* name, const wchar_t* file) {
    const LONG code = RealRegistryApi().loadKey(parent, name, file);
    if (code == ERROR_SUCCESS && parent == HKEY_USERS) {
        const std::lock_guard<std::mutex> lock(g_mutex);
        g_loadedFrom[name] = file;
    }
    return code;
}

LONG UnloadSaving(HKEY parent, const wchar_t* name) {
    std::wstring file;
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        if (const auto found = g_loadedFrom.find(name); parent == HKEY_USERS && found != g_loadedFrom.end()) {
            file = found->second;
        }
    }
    if (!file.empty()) {
        HKEY key = nullptr;
        LONG code = ::RegOpenKeyExW(parent, name, 0, KEY_READ, &key);
        if (code == ERROR_SUCCESS) {
            code = SaveKeyTo(key, file);
            ::RegCloseKey(key);
        }
        if (code != ERROR_SUCCESS) {
            return code;
        }
    }
    const LONG code = RealRegistryApi().unLoadKey(parent, name);
    if (code == ERROR_SUCCESS) {
        const std::lock_guard<std::mutex> lock(g_mutex);
        g_loadedFrom.erase(name);
    }
    return code;
}

// The app hives loaded below HKEY_USERS, by their key.
std::map<HKEY, std::wstring> g_appHives;
int g_appHiveCount = 0;

LONG LoadAppHive(const wchar_t* file, HKEY* key, REGSAM rights, DWORD, DWORD) {
    std::wstring name;
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        name = L"TarnAppHive" + std::to_wstring(++g_appHiveCount);
    }
    const ScopedPrivilege restore(SE_RESTORE_NAME);
    const ScopedPrivilege backup(SE_BACKUP_NAME);
    LONG code = ::RegLoadKeyW(HKEY_USERS, name.c_str(), file);
    if (code != ERROR_SUCCESS) {
        ::RegUnLoadKeyW(HKEY_USERS, name.c_str());  // Wine leaves the key of a failed load
        return code;
    }
    code = ::RegOpenKeyExW(HKEY_USERS, name.c_str(), 0, rights, key);
    if (code != ERROR_SUCCESS) {
        ::RegUnLoadKeyW(HKEY_USERS, name.c_str());
        return code;
    }
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_appHives[*key] = name;
    return ERROR_SUCCESS;
}

LONG CloseAppHive(HKEY key) {
    const LONG code = ::RegCloseKey(key);
    std::wstring name;
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        if (const auto found = g_appHives.find(key); found != g_appHives.end()) {
            name = found->second;
            g_appHives.erase(found);
        }
    }
    if (!name.empty()) {
        const ScopedPrivilege restore(SE_RESTORE_NAME);
        const ScopedPrivilege backup(SE_BACKUP_NAME);
        ::RegUnLoadKeyW(HKEY_USERS, name.c_str());
    }
    return code;
}

const RegistryApi& StandInApi() {
    static const RegistryApi table = [] {
        RegistryApi copy = RealRegistryApi();
        copy.loadAppKey = LoadAppHive;
        copy.closeKey = CloseAppHive;
        copy.loadKey = LoadRemembered;
        copy.unLoadKey = UnloadSaving;
        return copy;
    }();
    return table;
}

}  // namespace

void SaveHiveFile(const std::wstring& file, const std::function<void(HKEY)>& fill) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSourceKey);
    HKEY source = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kSourceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                               &source, nullptr));
    fill(source);
    ::DeleteFileW(file.c_str());
    EXPECT_EQ(ERROR_SUCCESS, SaveKeyTo(source, file));
    ::RegCloseKey(source);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSourceKey);
}

bool UnloadUserHive(const std::wstring& name) {
    HKEY there = nullptr;
    if (::RegOpenKeyExW(HKEY_USERS, name.c_str(), 0, KEY_READ, &there) != ERROR_SUCCESS) {
        return true;
    }
    ::RegCloseKey(there);
    const ScopedPrivilege restore(SE_RESTORE_NAME);
    const ScopedPrivilege backup(SE_BACKUP_NAME);
    return ::RegUnLoadKeyW(HKEY_USERS, name.c_str()) == ERROR_SUCCESS;
}

LoadedUserHive::LoadedUserHive(const std::wstring& name, const std::wstring& file) : name_(name) {
    EXPECT_TRUE(UnloadUserHive(name));
    const ScopedPrivilege restore(SE_RESTORE_NAME);
    const ScopedPrivilege backup(SE_BACKUP_NAME);
    EXPECT_EQ(ERROR_SUCCESS, ::RegLoadKeyW(HKEY_USERS, name.c_str(), file.c_str()));
}

LoadedUserHive::~LoadedUserHive() {
    EXPECT_TRUE(UnloadUserHive(name_));
}

HiveStandIns::HiveStandIns() : scope_(StandInApi()) {}

}  // namespace tarn::test
