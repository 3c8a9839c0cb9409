// Windows' own startup switch: turned on by its value alone; deleted only with its entry.
#include "base/startup_approval.h"
#include "state/state_changes.h"

#include "support/shell_fixture.h"
#include "support/state_fixture.h"
#include "support/registry_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::DumpRegistry;
using test::RawValue;
using test::ReadRaw;
using test::StateTest;
using test::ValueExists;
using test::WriteString;
using test::WriteValue;

const std::wstring kStore = kRun + L"\\TarnAutoRunDisable";
const std::wstring kList = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const std::wstring kRunText = L"HKCU\\" + kRun;
const std::wstring kListText = L"HKCU\\" + kList;
const std::vector<BYTE> kOff = {3, 0, 0, 0, 0x80, 0x7A, 0x53, 0x57, 0xB2, 0x87, 0xDD, 0x01};

void WriteSwitch(const std::wstring& name, const std::vector<BYTE>& bytes, DWORD type = REG_BINARY) {
    WriteValue(HKEY_CURRENT_USER, kList, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

RawValue On() {
    const std::vector<uint8_t> on = StartupApprovalOnBytes();
    return {REG_BINARY, {on.begin(), on.end()}};
}

using ApprovalStateTest = StateTest;

TEST_F(ApprovalStateTest, SwitchingOnWritesTheOnFormOfItsOwnValueAndNothingElse) {
    WriteString(HKEY_CURRENT_USER, kRun, L"Tool", L"c:\\tool.exe");
    WriteSwitch(L"Tool", kOff);
    WriteSwitch(L"Other", kOff);
    WriteSwitch(L"Text", kOff, REG_SZ);
    auto expected = DumpRegistry();
    expected.keys[L"HKCU\\" + kList].values[L"Tool"] = {REG_BINARY, On().bytes};
    EXPECT_EQ(1, changes.EnableStartupApproval(kListText, L"TOOL"));
    EXPECT_EQ(expected, DumpRegistry());
    // On already, or no switch of its own: nothing to write, and it will start.
    for (const wchar_t* name : {L"Tool", L"Text", L"Missing"}) {
        EXPECT_EQ(1, changes.EnableStartupApproval(kListText, name)) << name;
    }
    EXPECT_EQ(expected, DumpRegistry());
    EXPECT_EQ(0, changes.EnableStartupApproval(L"HKXX\\" + kList, L"Tool"));
}

TEST_F(ApprovalStateTest, AStoredEntryComesBackWithWindowsSwitchAsItWas) {
    WriteString(HKEY_CURRENT_USER, kStore, L"Tool", L"c:\\tool.exe");
    WriteSwitch(L"Tool", kOff);
    ASSERT_EQ(1, changes.EnableValue(kRunText, L"Tool", KindValue));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRun, L"Tool"));
    EXPECT_EQ((RawValue{REG_BINARY, kOff}), ReadRaw(HKEY_CURRENT_USER, kList, L"Tool"));
}

TEST_F(ApprovalStateTest, DeleteTakesTheSwitchValueWithItsEntryOnly) {
    struct Case {
        const char* what;
        bool live;
        bool stored;
        int32_t state;
        bool switchGoes;
    };
    const Case cases[] = {
        {"live", true, false, EntryOffByWindows, true},
        {"live, shown as on", true, false, EntryEnabled, true},
        {"stored, none live", false, true, EntryDisabled, true},
        // The switch is the live value's, which stays.
        {"stored beside a live one", true, true, EntryDisabled, false},
    };
    for (const Case& c : cases) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion");
        if (c.live) {
            WriteString(HKEY_CURRENT_USER, kRun, L"Tool", L"c:\\live.exe");
        }
        if (c.stored) {
            WriteString(HKEY_CURRENT_USER, kStore, L"Tool", L"c:\\stored.exe");
        }
        WriteSwitch(L"Tool", kOff);
        WriteSwitch(L"Other", kOff);
        EXPECT_EQ(1, changes.DeleteApprovedValueEntry(kRunText, L"Tool", KindValue, c.state, kListText)) << c.what;
        EXPECT_EQ(c.live && c.stored, ValueExists(HKEY_CURRENT_USER, kRun, L"Tool")) << c.what;
        EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kStore, L"Tool")) << c.what;
        EXPECT_EQ(!c.switchGoes, ValueExists(HKEY_CURRENT_USER, kList, L"Tool")) << c.what;
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kList, L"Other")) << c.what;
    }
    // An entry with no switch value is deleted as any other.
    WriteString(HKEY_CURRENT_USER, kRun, L"Plain", L"c:\\plain.exe");
    EXPECT_EQ(1, changes.DeleteApprovedValueEntry(kRunText, L"Plain", KindValue, EntryEnabled, kListText));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, L"Plain"));
}

TEST_F(ApprovalStateTest, AShortcutGoesWithItsSwitchValue) {
    const test::ShellTestFolder folder{CSIDL_STARTUP};
    const std::wstring link = folder / L"Tool.lnk";
    test::MakeShortcut(link, L"c:\\windows\\notepad.exe");
    const std::wstring list = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
    WriteValue(HKEY_CURRENT_USER, list, L"Tool.lnk", REG_BINARY, kOff.data(), static_cast<DWORD>(kOff.size()));
    EXPECT_EQ(1, changes.DeleteApprovedShortcut(link, L"HKCU\\" + list, L"Tool.lnk"));
    EXPECT_FALSE(std::filesystem::exists(link));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, list, L"Tool.lnk"));
}

}  // namespace
}  // namespace tarn
