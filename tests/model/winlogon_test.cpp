#include "fileinfo/machine_files.h"
#include "model/winlogon.h"

#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::Describe;
using test::Expected;
using test::Names;
using test::WriteString;

const std::wstring kNotify = kWinlogon + L"\\Notify";
const std::wstring kDesktop = L"Control Panel\\Desktop";

class WinlogonTest : public CategoryTest {
protected:
    CTarnAutoRunWinlogon winlogon{MachineFiles()};
};

TEST_F(WinlogonTest, UIHostIsLocatedAtItsValueAndNeverReadFromAStore) {
    const std::wstring host = File(L"WINDOWS\\system32\\logonui.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"UIHost", L"%SystemRoot%\\system32\\logonui.exe");
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon + kStore, L"UIHost", L"%SystemRoot%\\system32\\logonui.exe");
    winlogon.Enumerate();
    ASSERT_EQ(1u, winlogon.results().entries.size());
    const std::wstring key = L"HKLM\\" + kWinlogon;
    EXPECT_EQ(Describe(Expected{L"UIHost", L"%SystemRoot%\\system32\\logonui.exe", root + L"\\system32\\logonui.exe",
                                key + L"\\UIHost", key, L"UIHost", L"", 0, LocateValue}),
              Describe(*winlogon.results().entries[0]));
}

TEST_F(WinlogonTest, NotificationPackagesNeedADllName) {
    const std::wstring dll = File(L"WINDOWS\\system32\\notify.dll");
    WriteString(HKEY_LOCAL_MACHINE, kNotify + L"\\Crypt", L"DLLName", L"notify.dll");
    WriteString(HKEY_LOCAL_MACHINE, kNotify + L"\\Empty", L"Startup", L"OnStart");
    WriteString(HKEY_LOCAL_MACHINE, kNotify + kStore + L"\\Parked", L"DllName", L"notify.dll");
    winlogon.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"Crypt", L"Parked"}), Names(winlogon));
    const std::wstring location = L"HKLM\\" + kNotify;
    EXPECT_EQ(Describe(Expected{L"Crypt", L"notify.dll", root + L"\\System32\\notify.dll", location,
                                location + L"\\Crypt", L"", L"Crypt", KindKey, LocateKey}),
              Describe(*winlogon.results().entries[0]));
    const AutoRunEntry& parked = *winlogon.results().entries[1];
    EXPECT_EQ(EntryDisabled, parked.state);
    EXPECT_EQ(location + L"\\Parked", parked.keyPath);
    EXPECT_EQ(location, parked.location);
    EXPECT_TRUE(parked.inStore);
}

TEST_F(WinlogonTest, ScreenSaverOfTheCurrentUser) {
    const std::wstring saver = File(L"WINDOWS\\system32\\bubbles.scr");
    WriteString(HKEY_CURRENT_USER, kDesktop, L"SCRNSAVE.EXE", saver);
    WriteString(HKEY_CURRENT_USER, kDesktop, L"Wallpaper", L"c:\\walls\\x.bmp");
    WriteString(HKEY_CURRENT_USER, kDesktop + kStore, L"scrnsave.exe", saver);
    winlogon.Enumerate();
    ASSERT_EQ(2u, winlogon.results().entries.size());
    const std::wstring key = L"HKCU\\" + kDesktop;
    EXPECT_EQ(Describe(Expected{L"SCRNSAVE.EXE", saver, LowerAscii(saver), key, key, L"SCRNSAVE.EXE", L"", KindValue,
                                LocateValue}),
              Describe(*winlogon.results().entries[0]));
    EXPECT_EQ(EntryDisabled, winlogon.results().entries[1]->state);
    EXPECT_EQ(key, winlogon.results().entries[1]->location);
}

TEST_F(WinlogonTest, NothingRegisteredGivesNothing) {
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", L"explorer.exe");
    WriteString(HKEY_CURRENT_USER, kDesktop, L"Wallpaper", L"");
    winlogon.Enumerate();
    EXPECT_TRUE(winlogon.results().entries.empty());

    const std::wstring saver = File(L"saver.scr");
    WriteString(HKEY_CURRENT_USER, kDesktop, L"SCRNSAVE.EXE", saver);
    winlogon.ClearResults();
    winlogon.Enumerate();
    const auto first = test::ExpectSameAfterRescan(winlogon);
    EXPECT_EQ(1u, first.size());
}

}  // namespace
}  // namespace tarn
