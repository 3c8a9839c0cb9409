#include "fileinfo/machine_files.h"
#include "model/short_menu.h"
#include "state/shortcut_state.h"

#include "support/category_fixture.h"
#include "support/scratch_folder.h"
#include "support/shell_fixture.h"

#include <windows.h>
#include <shlobj.h>

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using test::MakeShortcut;
using test::ScratchFolder;
using test::ShellTestFolder;

class ShortMenuTest : public ::testing::Test {
protected:
    // Entries that lie in this test's folders, in listed order.
    std::vector<const AutoRunEntry*> Ours() const {
        std::vector<const AutoRunEntry*> ours;
        for (const auto& entry : menu.results().entries) {
            if (entry->keyPath.find(ShellTestFolder::Marker()) != std::wstring::npos) {
                ours.push_back(entry.get());
            }
        }
        return ours;
    }

    ScratchFolder scratch;
    ShellTestFolder desktop{CSIDL_DESKTOPDIRECTORY};
    ShellTestFolder programs{CSIDL_COMMON_PROGRAMS};
    ShellTestFolder startup{CSIDL_STARTUP};
    CTarnAutoRunShortMenu menu{MachineFiles()};
};

TEST_F(ShortMenuTest, ListsShortcutsOfDesktopProgramsThenStartupEachWithItsOwnFolder) {
    const std::wstring app = scratch.AddFile(L"apps\\app.exe");
    const std::wstring tool = scratch.AddFile(L"apps\\tool.exe");
    const std::wstring gone = scratch.AddFile(L"apps\\gone.exe");
    MakeShortcut(desktop / L"App.lnk", app);
    MakeShortcut(programs / L"Suite\\Deeper\\Tool.LNK", tool);
    MakeShortcut(programs / L"Gone.lnk", gone);
    MakeShortcut(startup / L"Started.lnk", app);
    scratch.AddFile(L"notes.txt");
    fs::copy_file(scratch / L"notes.txt", programs / L"Suite\\readme.txt");
    ::DeleteFileW(gone.c_str());

    menu.Enumerate();
    const auto ours = Ours();
    ASSERT_EQ(3u, ours.size());
    // What the user's startup folder starts is listed too, after the menus.
    EXPECT_EQ(startup / L"Started.lnk", ours[2]->keyPath);
    const AutoRunEntry& first = *ours[0];
    EXPECT_EQ(L"App.lnk", first.name);
    EXPECT_EQ(desktop / L"App.lnk", first.keyPath);
    EXPECT_EQ(desktop.path(), first.location);
    EXPECT_EQ(LowerAscii(app), first.imagePath);
    const AutoRunEntry& second = *ours[1];
    EXPECT_EQ(L"Tool.LNK", second.name);
    EXPECT_EQ(programs / L"Suite\\Deeper\\Tool.LNK", second.keyPath);
    EXPECT_EQ(programs / L"Suite\\Deeper", second.location);
    for (const AutoRunEntry* entry : ours) {
        EXPECT_EQ(LocationFolder, entry->locationKind);
        EXPECT_EQ(EntryEnabled, entry->state);
        EXPECT_TRUE(entry->commandLine.empty());
        EXPECT_EQ(0, entry->entryKind);
    }
}

TEST_F(ShortMenuTest, ResolveShortcutGivesTheStoredTarget) {
    const std::wstring app = scratch.AddFile(L"apps\\raw.exe");
    MakeShortcut(desktop / L"Raw.lnk", app);
    EXPECT_EQ(app, CTarnAutoRunShortMenu::ResolveShortcut(desktop / L"Raw.lnk"));
    EXPECT_EQ(L"", CTarnAutoRunShortMenu::ResolveShortcut(desktop / L"Missing.lnk"));
    const std::wstring notLink = scratch.AddFile(L"fake.lnk");
    EXPECT_EQ(L"", CTarnAutoRunShortMenu::ResolveShortcut(notLink));
}

TEST_F(ShortMenuTest, SwitchesChangeNothingAndDeleteRemovesTheFile) {
    const std::wstring app = scratch.AddFile(L"apps\\keep.exe");
    const std::wstring link = desktop / L"Keep.lnk";
    MakeShortcut(link, app);
    const auto before = fs::last_write_time(link);
    EXPECT_EQ(1, EnableShortcut(link));
    EXPECT_EQ(1, DisableShortcut(link));
    EXPECT_TRUE(fs::exists(link));
    EXPECT_EQ(before, fs::last_write_time(link));

    ::SetFileAttributesW(link.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, DeleteShortcut(link));
    EXPECT_TRUE(fs::exists(link));
    ::SetFileAttributesW(link.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, DeleteShortcut(link));
    EXPECT_FALSE(fs::exists(link));
    EXPECT_EQ(1, DeleteShortcut(link));  // already gone
}

}  // namespace
}  // namespace tarn
