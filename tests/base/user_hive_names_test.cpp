// The keys below HKEY_USERS told apart, and another user's shell folders read with their profile.
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

TEST(UserHiveNames, PutsTheUsersProfileForUserProfile) {
    const std::wstring bob = L"C:\\Users\\bob";
    EXPECT_EQ(L"C:\\Users\\bob\\AppData\\Roaming", WithProfileFolder(L"%USERPROFILE%\\AppData\\Roaming", bob));
    EXPECT_EQ(L"C:\\Users\\bob\\a;C:\\Users\\bob", WithProfileFolder(L"%userprofile%\\a;%UserProfile%", bob));
    EXPECT_EQ(L"%APPDATA%\\x", WithProfileFolder(L"%APPDATA%\\x", bob));
    EXPECT_EQ(L"D:\\Start", WithProfileFolder(L"D:\\Start", L""));
    EXPECT_FALSE(WithProfileFolder(L"%USERPROFILE%\\Start", L""));
}

}  // namespace
}  // namespace tarn
