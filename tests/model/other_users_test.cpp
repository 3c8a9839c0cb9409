// Every user of the machine: a logged-on user's hive below HKEY_USERS and a profile's hive file
// are read with the current user's places; their registrations carry the user and are switched
// in that user's own key, the hive file loaded for the change and unloaded right after.
#include "fileinfo/machine_files.h"
#include "model/explorer.h"
#include "model/internet.h"
#include "model/logon.h"
#include "model/short_menu.h"
#include "state/state_changes.h"
#include "state/user_hive_load.h"
#include "win/accounts.h"

#include "support/category_fixture.h"
#include "support/registry_dump.h"
#include "support/user_hive_files.h"

#include "base/key_text.h"
#include "base/startup_approval.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace tarn {
namespace {

using test::WriteString;

const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunOnce = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::wstring kProfiles = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const std::wstring kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const std::wstring kClsid = L"{05E12000-AAAA-BBBB-CCCC-DDDDEEEEFFFF}";
const std::wstring kHookClsid = L"{05E12001-AAAA-BBBB-CCCC-DDDDEEEEFFFF}";  // the user's own class only
const std::wstring kSearchHooks = L"Software\\Microsoft\\Internet Explorer\\UrlSearchHooks";
const std::wstring kBob = test::TestUserSid(1001);    // logged on: hive below HKEY_USERS
const std::wstring kCarol = test::TestUserSid(1002);  // a profile and its hive files only
const std::wstring kDave = test::TestUserSid(1003);   // a hive file that is no hive

const AutoRunEntry* FindIn(const CTarnAutoRunBase& category, const std::wstring& name, const std::wstring& sid) {
    for (const auto& e : category.results().entries) {
        if (e->name == name && e->userSid == sid) {
            return e.get();
        }
    }
    return nullptr;
}

class OtherUsersTest : public test::ClassCategoryTest {
protected:
    OtherUsersTest() {
        machineDll = RegisterClass(kClsid, L"Shared handler");
        WriteString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers\\" + kClsid, L"", L"");
        MakeUser(kBob, L"bob", false);
        MakeUser(kCarol, L"carol", true);
        AddProfile(kDave, scratch / L"users\\dave");
        scratch.AddFile(L"users\\dave\\NTUSER.DAT");
        bobHive = std::make_unique<test::LoadedUserHive>(kBob, scratch / L"users\\bob\\NTUSER.DAT");
    }

    void AddProfile(const std::wstring& sid, const std::wstring& folder) {
        WriteString(HKEY_LOCAL_MACHINE, kProfiles + L"\\" + sid, L"ProfileImagePath", folder, REG_EXPAND_SZ);
    }

    // A user with a Run and a RunOnce value (the Run value switched off by Windows), a class
    // of their own overriding the machine's, a search hook and a menu handler of a class only they
    // register, and a file in their Startup folder; the Run value and the folder are named through
    // the user's own "%APPDATA%", which is their profile. The user with a classes hive has their
    // profile written with a trailing separator.
    void MakeUser(const std::wstring& sid, const std::wstring& name, bool classesHive) {
        const std::wstring folder = scratch / (L"users\\" + name);
        AddProfile(sid, classesHive ? folder + L"\\" : folder);
        const std::wstring program = File(L"users\\" + name + L"\\" + name + L".exe");
        const std::wstring classDll = File(L"users\\" + name + L"\\" + name + L".dll");
        File(L"users\\" + name + L"\\Start\\" + name + L".bat");
        const std::wstring classKey = L"CLSID\\" + kClsid + L"\\InprocServer32";
        const std::wstring hookKey = L"CLSID\\" + kHookClsid;
        const auto writeClasses = [&](HKEY hive, const std::wstring& classes) {
            WriteString(hive, classes + classKey, L"", classDll);
            WriteString(hive, classes + hookKey, L"", name + L" hook");
            WriteString(hive, classes + hookKey + L"\\InprocServer32", L"", classDll);
            WriteString(hive, classes + L"Directory\\Background\\ShellEx\\ContextMenuHandlers\\UserMenu", L"",
                        kHookClsid);
        };
        test::SaveHiveFile(folder + L"\\NTUSER.DAT", [&](HKEY hive) {
            WriteString(hive, kRun, name + L"Run", L"\"%AppData%\\" + name + L".exe\" /run", REG_EXPAND_SZ);
            WriteString(hive, kRunOnce, name + L"Once", program);
            const BYTE off[12] = {3};
            test::WriteValue(hive, std::wstring(kStartupApprovedPath) + L"\\Run", name + L"Run", REG_BINARY, off,
                             sizeof off);
            WriteString(hive, kShellFolders, L"AppData", L"%USERPROFILE%", REG_EXPAND_SZ);
            WriteString(hive, kShellFolders, L"Startup", L"%APPDATA%\\Start", REG_EXPAND_SZ);
            WriteString(hive, kSearchHooks, kHookClsid, L"");
            if (!classesHive) {
                writeClasses(hive, L"Software\\Classes\\");
            }
        });
        if (classesHive) {
            test::SaveHiveFile(
                scratch.AddFolder(L"users\\" + name + L"\\AppData\\Local\\Microsoft\\Windows") + L"\\UsrClass.dat",
                [&](HKEY hive) { writeClasses(hive, L""); });
        }
    }

    const test::HiveStandIns standIns;
    std::wstring machineDll;
    std::unique_ptr<test::LoadedUserHive> bobHive;
};

TEST_F(OtherUsersTest, ListsEveryUsersPlacesWithTheUser) {
    CTarnAutoRunLogon logon{MachineFiles()};
    logon.Enumerate();
    for (const auto& [sid, name, hive] : {std::tuple{kBob, L"bob", std::wstring()},
                                          std::tuple{kCarol, L"carol", scratch / L"users\\carol\\NTUSER.DAT"}}) {
        SCOPED_TRACE(test::Printable(name));
        const AutoRunEntry* run = FindIn(logon, std::wstring(name) + L"Run", sid);
        ASSERT_NE(nullptr, run);
        EXPECT_EQ(sid, run->user);  // no account has the SID
        EXPECT_EQ(L"HKU\\" + sid + L"\\" + kRun, run->location);
        EXPECT_TRUE(
            EqualsNoCaseAscii(scratch / (L"users\\" + std::wstring(name) + L"\\" + name + L".exe"), run->imagePath));
        EXPECT_EQ(EntryOffByWindows, run->state);
        EXPECT_EQ(hive, run->userHive);
        EXPECT_EQ(hive.empty() ? L"" : sid, run->userHiveKey);
        ASSERT_NE(nullptr, FindIn(logon, std::wstring(name) + L"Once", sid));
    }
    // The current user's and the machine's records carry no user; the hive that is no hive is told.
    for (const auto& e : logon.results().entries) {
        EXPECT_TRUE(e->userSid == kBob || e->userSid == kCarol) << test::Printable(e->name);
    }
    ASSERT_EQ(1u, logon.results().unreadable.size());
    EXPECT_NE(std::wstring::npos, logon.results().unreadable[0].find(kDave + L") " + scratch / L"users\\dave"));

    CTarnAutoRunExplorer explorer{MachineFiles()};
    explorer.Enumerate();
    ASSERT_NE(nullptr, FindIn(explorer, L"Shared handler", L""));
    EXPECT_TRUE(EqualsNoCaseAscii(machineDll, FindIn(explorer, L"Shared handler", L"")->imagePath));
    CTarnAutoRunShortMenu shortcuts{MachineFiles()};
    shortcuts.Enumerate();
    CTarnAutoRunInternet internet{MachineFiles()};
    internet.Enumerate();
    for (const auto& [sid, name] : {std::pair{kBob, L"bob"}, std::pair{kCarol, L"carol"}}) {
        const AutoRunEntry* own = FindIn(explorer, L"Shared handler", sid);
        ASSERT_NE(nullptr, own) << test::Printable(name);
        EXPECT_TRUE(own->userClassOverride);
        EXPECT_TRUE(
            EqualsNoCaseAscii(scratch / (L"users\\" + std::wstring(name) + L"\\" + name + L".dll"), own->imagePath));
        const AutoRunEntry* file = FindIn(shortcuts, std::wstring(name) + L".bat", sid);
        ASSERT_NE(nullptr, file) << test::Printable(name);
        EXPECT_EQ(L"HKU\\" + sid + L"\\" + kStartupApprovedPath + L"\\StartupFolder", file->approvalKey);
        const AutoRunEntry* hook = FindIn(internet, std::wstring(name) + L" hook", sid);
        ASSERT_NE(nullptr, hook) << test::Printable(name);
        EXPECT_TRUE(EqualsNoCaseAscii(own->imagePath, hook->imagePath));
        const AutoRunEntry* menu = FindIn(explorer, L"UserMenu", sid);
        ASSERT_NE(nullptr, menu) << test::Printable(name);
        EXPECT_TRUE(EqualsNoCaseAscii(own->imagePath, menu->imagePath));
    }
    EXPECT_FALSE(test::KeyExists(HKEY_USERS, kCarol));
}

// A platform whose app hives answer success with a key nothing can be read through (Wine's stub)
// has the user reported once, not every place of theirs.
TEST_F(OtherUsersTest, AnAppHiveThatCannotBeReadIsReportedOnce) {
    RegistryApi stub = RealRegistryApi();
    stub.loadAppKey = [](const wchar_t*, HKEY* key, REGSAM, DWORD, DWORD) -> LONG {
        *key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xdeadbeef));
        return ERROR_SUCCESS;
    };
    const ScopedRegistryApi stubbed(stub);
    CTarnAutoRunLogon logon{MachineFiles()};
    logon.Enumerate();
    ASSERT_EQ(2u, logon.results().unreadable.size());
    for (const auto& [line, sid] : {std::pair{0, kCarol}, std::pair{1, kDave}}) {
        EXPECT_EQ(0u, logon.results().unreadable[line].find(sid + L" (" + sid + L") "));
    }
    EXPECT_NE(nullptr, FindIn(logon, L"bobRun", kBob));
}

// A mandatory profile's hive, NTUSER.MAN, is the one Windows loads, whatever NTUSER.DAT beside it.
TEST_F(OtherUsersTest, AMandatoryProfilesHiveIsTheOneRead) {
    const std::wstring folder = scratch / L"users\\carol";
    ASSERT_TRUE(::MoveFileW((folder + L"\\NTUSER.DAT").c_str(), (folder + L"\\NTUSER.MAN").c_str()));
    scratch.AddFile(L"users\\carol\\NTUSER.DAT");
    CTarnAutoRunLogon logon{MachineFiles()};
    logon.Enumerate();
    const AutoRunEntry* run = FindIn(logon, L"carolRun", kCarol);
    ASSERT_NE(nullptr, run);
    EXPECT_EQ(folder + L"\\NTUSER.MAN", run->userHive);
    EXPECT_EQ(1u, logon.results().unreadable.size());
}

// The current user's hive under another name (the system account's is also ".DEFAULT") is read
// once, as the current user's.
TEST_F(OtherUsersTest, TheCurrentUsersHiveUnderAnotherNameIsNotReadAgain) {
    const std::wstring own = CurrentUserSid();
    WriteString(HKEY_USERS, own + L"\\" + kRun, L"ownRun", File(L"own.exe"));
    test::CreateLink(HKEY_USERS, L"", test::TestUserSid(1009), HKEY_USERS, own);
    CTarnAutoRunLogon logon{MachineFiles()};
    logon.Enumerate();
    for (const auto& e : logon.results().entries) {
        EXPECT_NE(L"ownRun", e->name) << test::Printable(e->userSid);
    }
    EXPECT_NE(nullptr, FindIn(logon, L"bobRun", kBob));
}

// A hive another program holds a key of for a moment is unloaded all the same once it lets go.
TEST_F(OtherUsersTest, AHiveHeldForAMomentIsStillUnloadedAfterTheChange) {
    static const RegistryApi* underlying = nullptr;
    static int refusals = 0;
    underlying = &Registry();
    refusals = 2;
    RegistryApi held = Registry();
    held.unLoadKey = [](HKEY parent, const wchar_t* name) -> LONG {
        return refusals-- > 0 ? ERROR_ACCESS_DENIED : underlying->unLoadKey(parent, name);
    };
    const ScopedRegistryApi scope(held);
    AutoRunEntry entry;
    entry.userHive = scratch / L"users\\carol\\NTUSER.DAT";
    entry.userHiveKey = kCarol;
    {
        const UserHiveLoad hive(entry);
        ASSERT_TRUE(hive.ok());
        EXPECT_TRUE(test::KeyExists(HKEY_USERS, kCarol));
    }
    EXPECT_FALSE(test::KeyExists(HKEY_USERS, kCarol));
}

// A load that fails because the user's own hive was loaded meanwhile (they logged on) refuses the
// change and leaves their hive loaded.
TEST_F(OtherUsersTest, AFailedLoadLeavesTheHiveOfAUserWhoLoggedOnMeanwhile) {
    static const RegistryApi* underlying = nullptr;
    underlying = &Registry();
    RegistryApi racing = Registry();
    racing.loadKey = [](HKEY parent, const wchar_t* name, const wchar_t* file) -> LONG {
        underlying->loadKey(parent, name, file);
        return ERROR_SHARING_VIOLATION;
    };
    AutoRunEntry entry;
    entry.userHive = scratch / L"users\\carol\\NTUSER.DAT";
    entry.userHiveKey = kCarol;
    {
        const ScopedRegistryApi scope(racing);
        const UserHiveLoad hive(entry);
        EXPECT_FALSE(hive.ok());
    }
    EXPECT_TRUE(test::KeyExists(HKEY_USERS, kCarol + L"\\" + kRun));
    EXPECT_TRUE(test::UnloadUserHive(kCarol));
}

// Off, on and delete act on the user's own key and store; a hive read from its file is loaded
// for each change and unloaded after it.
TEST_F(OtherUsersTest, SwitchesAndDeletesInTheUsersOwnKey) {
    CAutoRunStateChanges changes;
    for (const auto& [sid, name] : {std::pair{kBob, L"bob"}, std::pair{kCarol, L"carol"}}) {
        SCOPED_TRACE(test::Printable(name));
        const std::wstring value = std::wstring(name) + L"Once";
        const auto find = [&, sid = sid] {
            auto logon = std::make_unique<CTarnAutoRunLogon>(MachineFiles());
            logon->Enumerate();
            const AutoRunEntry* found = FindIn(*logon, value, sid);
            return found != nullptr ? std::make_unique<AutoRunEntry>(*found) : nullptr;
        };
        const auto change = [&](const AutoRunEntry& e, auto call) {
            const UserHiveLoad hive(e);
            EXPECT_TRUE(hive.ok());
            return hive.ok() && call() == 1;
        };
        auto live = find();
        ASSERT_NE(nullptr, live);
        ASSERT_TRUE(change(*live, [&] { return changes.DisableValue(live->location, value, KindValue); }));
        EXPECT_EQ(sid == kBob, test::KeyExists(HKEY_USERS, sid));
        auto stored = find();
        ASSERT_NE(nullptr, stored);
        EXPECT_EQ(EntryDisabled, stored->state);
        ASSERT_TRUE(change(*stored, [&] { return changes.EnableValue(stored->location, value, KindValue); }));
        live = find();
        ASSERT_NE(nullptr, live);
        EXPECT_EQ(EntryEnabled, live->state);
        ASSERT_TRUE(
            change(*live, [&] { return changes.DeleteValueEntry(live->location, value, KindValue, EntryEnabled); }));
        EXPECT_EQ(nullptr, find());
        EXPECT_EQ(sid == kBob, test::KeyExists(HKEY_USERS, sid));
    }
    // A hive file that cannot be loaded refuses the change before anything is done.
    AutoRunEntry broken;
    broken.userHive = scratch / L"users\\dave\\NTUSER.DAT";
    broken.userHiveKey = kDave;
    const UserHiveLoad refused(broken);
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(test::KeyExists(HKEY_USERS, kDave));
}

}  // namespace
}  // namespace tarn
