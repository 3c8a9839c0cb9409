// The keys below HKEY_USERS told apart, and another user's texts read with their own variables.
#include "base/user_hive_names.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(UserHiveNames, TellsUsersFromClassesAndOtherKeys) {
    const std::pair<const wchar_t*, UsersSubKey> cases[] = {
        {L".DEFAULT", UsersSubKey::User},
        {L".Default", UsersSubKey::User},
        {L"S-1-5-18", UsersSubKey::User},
        {L"S-1-5-21-1004336348-1177238915-682003330-1001", UsersSubKey::User},
        {L"S-1-5-21-1004336348-1177238915-682003330-1001_Classes", UsersSubKey::Classes},
        {L"s-1-5-20_classes", UsersSubKey::Classes},
        {L"_Classes", UsersSubKey::Other},
        {L"S-1-", UsersSubKey::Other},
        {L"S-1-5-", UsersSubKey::Other},
        {L"S-1-5-x", UsersSubKey::Other},
        {L"TempHive", UsersSubKey::Other},
    };
    for (const auto& [name, kind] : cases) {
        EXPECT_EQ(kind, ClassifyUsersSubKey(name)) << testing::PrintToString(std::wstring(name));
    }
}

TEST(UserHiveNames, PutsTheUsersOwnVariablesInAndRefusesTheCurrentUsers) {
    UserVariables bob = ProfileVariables(L"C:\\Users\\bob", L"bob");
    AddEnvironmentKey(bob, {{L"TEMP", L"%USERPROFILE%\\Temp"},
                            {L"Path", L"%USERPROFILE%\\bin"},
                            {L"HOMEPATH", L"\\Home"},
                            {L"Broken", L"%LOCALAPPDATA%\\x"},
                            {L"Tool", L"%SystemRoot%\\t"}});
    const std::pair<const wchar_t*, std::optional<std::wstring>> cases[] = {
        {L"%userprofile%\\a;%UserProfile%", L"C:\\Users\\bob\\a;C:\\Users\\bob"},
        {L"%TEMP%\\x.exe %USERNAME%", L"C:\\Users\\bob\\Temp\\x.exe bob"},
        {L"%HOMEDRIVE%%HOMEPATH%", L"C:\\Home"},
        {L"%Tool%", L"%SystemRoot%\\t"},
        {L"%SystemRoot%\\%x%\\50%", L"%SystemRoot%\\%x%\\50%"},
        {L"%APPDATA%\\x", std::nullopt},
        {L"%Broken%", std::nullopt},
        {L"%Path%", L"%Path%"},
        {L"%%USERPROFILE%", L"%%USERPROFILE%"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(expected, WithUserVariables(text, bob)) << testing::PrintToString(std::wstring(text));
    }
    const UserVariables share = ProfileVariables(L"\\\\server\\bob", L"");
    EXPECT_EQ(1u, share.size());
    EXPECT_FALSE(WithUserVariables(L"%HOMEDRIVE%", share));
    EXPECT_EQ(L"D:\\Start", WithUserVariables(L"D:\\Start", {}));
}

}  // namespace
}  // namespace tarn
