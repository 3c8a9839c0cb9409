// Windows' own startup switch: Run values and startup-folder shortcuts it turned off are listed as
// off, with the time of the switch; its values alone are no registrations.
#include "base/registry_view.h"
#include "base/startup_approval.h"
#include "fileinfo/machine_files.h"
#include "model/logon.h"
#include "model/short_menu.h"

#include "support/category_fixture.h"
#include "support/shell_fixture.h"
#include "support/registry_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::WriteNamedValue;
using test::WriteString;

const std::wstring kApproved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
constexpr uint64_t kSwitchedAt = 0x01DD87B257537A80;

std::vector<BYTE> Bytes(std::initializer_list<int> head, uint64_t time = 0) {
    std::vector<BYTE> bytes;
    for (int b : head) {
        bytes.push_back(static_cast<BYTE>(b));
    }
    for (int i = 0; time != 0 && i < 8; ++i) {
        bytes.push_back(static_cast<BYTE>(time >> (8 * i)));
    }
    return bytes;
}

void WriteSwitch(HKEY root, const wchar_t* list, const std::wstring& name, DWORD type, const std::vector<BYTE>& bytes) {
    WriteNamedValue(root, kApproved + L"\\" + list, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

const AutoRunEntry* Named(const CTarnAutoRunBase& enumerator, const std::wstring& name, int32_t state) {
    for (const auto& entry : enumerator.results().entries) {
        if (entry->name == name && entry->state == state) {
            return entry.get();
        }
    }
    return nullptr;
}

class StartupApprovalTest : public CategoryTest {
protected:
    CTarnAutoRunLogon logon{MachineFiles()};
};

TEST_F(StartupApprovalTest, RunValuesTakeTheStateWindowsGivesThem) {
    const std::wstring app = File(L"app.exe");
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> bytes;
        int32_t state;
        uint64_t at;
    };
    const Case cases[] = {
        {L"On as written", REG_BINARY, Bytes({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), EntryEnabled, 0},
        {L"On, other form", REG_BINARY, Bytes({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), EntryEnabled, 0},
        {L"Off with time", REG_BINARY, Bytes({3, 0, 0, 0}, kSwitchedAt), EntryOffByWindows, kSwitchedAt},
        {L"Three bytes", REG_BINARY, Bytes({3, 0, 0}), EntryEnabled, 0},
        {L"Text value", REG_SZ, Bytes({3, 0, 0, 0}, kSwitchedAt), EntryEnabled, 0},
        {L"No switch", REG_NONE, {}, EntryEnabled, 0},
    };
    for (const Case& c : cases) {
        WriteString(HKEY_CURRENT_USER, kRun, c.name, app);
        if (c.type != REG_NONE) {
            WriteSwitch(HKEY_CURRENT_USER, kApprovalRunList, c.name, c.type, c.bytes);
        }
    }
    // Switched off by Windows and then into the store: the store's state, and Windows' told too.
    WriteString(HKEY_CURRENT_USER, kRun + L"\\TarnAutoRunDisable", L"Stored", app);
    WriteSwitch(HKEY_CURRENT_USER, kApprovalRunList, L"STORED", REG_BINARY, Bytes({3, 0, 0, 0}));
    // A switch whose Run value is gone is no registration.
    WriteSwitch(HKEY_CURRENT_USER, kApprovalRunList, L"Gone", REG_BINARY, Bytes({3, 0, 0, 0}, kSwitchedAt));
    // A machine Run value is switched in the machine's list, not the user's.
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Machine", app);
    WriteSwitch(HKEY_LOCAL_MACHINE, kApprovalRunList, L"Machine", REG_BINARY, Bytes({3, 0, 0, 0}));
    WriteSwitch(HKEY_CURRENT_USER, kApprovalRunList, L"Machine", REG_BINARY, Bytes({2, 0, 0, 0}));
    logon.Enumerate();

    const std::wstring userList = L"HKCU\\" + kApproved + L"\\Run";
    for (const Case& c : cases) {
        const AutoRunEntry* entry = Named(logon, c.name, c.state);
        ASSERT_NE(nullptr, entry) << std::wstring(c.name).size();
        EXPECT_EQ(userList, entry->approvalKey);
        EXPECT_EQ(c.state == EntryOffByWindows, entry->offByWindows);
        EXPECT_EQ(c.at, entry->offByWindowsAt);
    }
    const AutoRunEntry* stored = Named(logon, L"Stored", EntryDisabled);
    ASSERT_NE(nullptr, stored);
    EXPECT_TRUE(stored->offByWindows);
    EXPECT_EQ(nullptr, Named(logon, L"Gone", EntryOffByWindows));
    const AutoRunEntry* machine = Named(logon, L"Machine", EntryOffByWindows);
    ASSERT_NE(nullptr, machine);
    EXPECT_EQ(L"HKLM\\" + kApproved + L"\\Run", machine->approvalKey);
    EXPECT_EQ(std::size(cases) + 2, logon.results().entries.size());
}

TEST_F(StartupApprovalTest, ThirtyTwoBitMachineRunValuesAreSwitchedInTheirOwnList) {
    const std::wstring app = File(L"app.exe");
    const std::wstring wowRun = Wow32PathOf(kRun).value_or(kRun);
    WriteString(HKEY_LOCAL_MACHINE, wowRun, L"Old Tray", app);
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Old Tray", app);
    WriteSwitch(HKEY_LOCAL_MACHINE, kApprovalRun32List, L"Old Tray", REG_BINARY, Bytes({3, 0, 0, 0}, kSwitchedAt));
    logon.Enumerate();
    // The 64-bit value of the same name is governed by the other list and stays on.
    const AutoRunEntry* native = nullptr;
    const AutoRunEntry* wow = nullptr;
    for (const auto& entry : logon.results().entries) {
        (IsWow32Entry(*entry) ? wow : native) = entry.get();
    }
    ASSERT_NE(nullptr, native);
    EXPECT_EQ(EntryEnabled, native->state);
    if (!kTwoRegistryViews) {
        EXPECT_EQ(nullptr, wow) << "a program of one view reads no 32-bit copy";
        return;
    }
    ASSERT_NE(nullptr, wow);
    EXPECT_EQ(EntryOffByWindows, wow->state);
    EXPECT_EQ(L"HKLM\\" + kApproved + L"\\Run32", wow->approvalKey);
}

TEST_F(StartupApprovalTest, AStartupFolderShortcutIsSwitchedByItsFileName) {
    const std::wstring app = File(L"apps\\app.exe");
    const std::wstring name = L"Switched " + std::to_wstring(::GetCurrentProcessId()) + L".lnk";
    const std::wstring startup = test::SpecialFolder(CSIDL_STARTUP);
    const std::wstring link = startup + L"\\" + name;
    test::MakeShortcut(link, app);
    // Not in the startup folder itself: no switch of Windows' applies.
    const test::ShellTestFolder nested{CSIDL_STARTUP};
    test::MakeShortcut(nested / name, app);
    WriteSwitch(HKEY_CURRENT_USER, kApprovalStartupFolderList, name, REG_BINARY, Bytes({3, 0, 0, 0}, kSwitchedAt));
    CTarnAutoRunShortMenu menu{MachineFiles()};
    menu.Enumerate();
    ::DeleteFileW(link.c_str());
    const AutoRunEntry* off = Named(menu, name, EntryOffByWindows);
    ASSERT_NE(nullptr, off);
    EXPECT_EQ(link, off->keyPath);
    EXPECT_EQ(L"HKCU\\" + kApproved + L"\\StartupFolder", off->approvalKey);
    EXPECT_EQ(kSwitchedAt, off->offByWindowsAt);
    const AutoRunEntry* on = Named(menu, name, EntryEnabled);
    ASSERT_NE(nullptr, on);
    EXPECT_EQ(nested / name, on->keyPath);
    EXPECT_TRUE(on->approvalKey.empty());
}

}  // namespace
}  // namespace tarn
