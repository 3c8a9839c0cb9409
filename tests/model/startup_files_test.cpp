// Every file right in the user's Startup folder (wherever the shell-folder settings put it) is
// listed with what it starts, and moves whole into the folder's store and back, or is refused
// with nothing changed.
#include "fileinfo/machine_files.h"
#include "model/short_menu.h"
#include "state/shortcut_state.h"
#include "state/state_changes.h"
#include "win/task_scheduler.h"

#include "support/host_link.h"
#include "support/scratch_folder.h"
#include "support/shell_fixture.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "base/verbatim_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

std::string Bytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::wstring& path, const std::string& text) {
    std::ofstream(path.c_str(), std::ios::binary) << text;
}

// What identifies a file apart from its name: bytes, attributes and times.
std::string Identity(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return "(none)";
    }
    return Bytes(path) + "|" + std::to_string(data.dwFileAttributes) + "|" +
           std::to_string(data.ftLastWriteTime.dwLowDateTime) + "|" + std::to_string(data.ftCreationTime.dwLowDateTime);
}

class StartupFilesTest : public ::testing::Test {
protected:
    std::vector<const AutoRunEntry*> Listed() {
        menu.ClearResults();
        menu.Enumerate();
        std::vector<const AutoRunEntry*> ours;
        for (const auto& entry : menu.results().entries) {
            if (EqualsNoCaseAscii(entry->location, startup)) {
                ours.push_back(entry.get());
            }
        }
        return ours;
    }

    // A file of the Startup folder with odd attributes and a time of its own.
    std::wstring Planted(const std::wstring& name) {
        const std::wstring path = startup + L"\\" + name;
        Write(path, "@echo off\r\nstart evil.exe\r\n");
        const FILETIME old{0x12345678, 0x01C00000};
        HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ::SetFileTime(file, &old, nullptr, &old);
        ::CloseHandle(file);
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
        return path;
    }

    ScratchFolder scratch;
    const std::wstring startup = scratch / L"Moved Startup";
    test::ScopedUserStartupFolder redirected{startup};
    const std::wstring store = StartupFileStoreOf(startup);
    CTarnAutoRunShortMenu menu{MachineFiles()};
    CAutoRunStateChanges changes;
};

TEST_F(StartupFilesTest, EveryFileButDesktopIniIsListedWithWhatItStarts) {
    const std::wstring app = scratch.AddFile(L"apps\\app.exe");
    test::MakeShortcut(startup + L"\\App.lnk", app);
    const std::wstring script = Planted(L"run me.bat");
    const std::wstring program = scratch.AddFile(L"Moved Startup\\dropped.exe");
    Write(startup + L"\\site.url", "[InternetShortcut]\r\nURL=http://example.invalid/x\r\n");
    Write(startup + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
    fs::create_directories(store);
    Write(store + L"\\Off.cmd", "exit\r\n");

    std::vector<std::wstring> seen;
    for (const AutoRunEntry* entry : Listed()) {
        EXPECT_EQ(KindStartupFile, entry->entryKind) << entry->name;
        EXPECT_STREQ(L"T1547.001", entry->technique);
        seen.push_back(entry->name + L"|" + std::to_wstring(entry->state) + L"|" + LowerAscii(entry->imagePath));
        if (entry->name == L"run me.bat") {
            EXPECT_NE(std::wstring::npos, entry->commandLine.find(script)) << entry->commandLine;
        }
        if (entry->name == L"site.url") {
            EXPECT_EQ(L"http://example.invalid/x", entry->commandLine);
        }
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ((std::vector<std::wstring>{
                  L"App.lnk|16|" + LowerAscii(app),
                  L"Off.cmd|17|" + LowerAscii(store + L"\\Off.cmd"),
                  L"dropped.exe|16|" + LowerAscii(program),
                  L"run me.bat|16|" + LowerAscii(script),
                  L"site.url|16|" + LowerAscii(startup + L"\\site.url"),
              }),
              seen);
}

TEST_F(StartupFilesTest, AFileMovesToTheStoreAndBackWhole) {
    const std::wstring path = Planted(L"Tool.bat");
    const std::string before = Identity(path);
    ASSERT_EQ(1, changes.DisableStartupFile(path));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(before, Identity(store + L"\\Tool.bat"));
    const auto listed = Listed();
    ASSERT_EQ(1u, listed.size());
    EXPECT_EQ(EntryDisabled, listed[0]->state);
    EXPECT_EQ(store + L"\\Tool.bat", listed[0]->keyPath);

    ASSERT_EQ(1, changes.EnableStartupFile(listed[0]->keyPath));
    EXPECT_EQ(before, Identity(path));
    EXPECT_FALSE(fs::exists(store));  // an emptied store goes

    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(1, changes.DeleteShortcut(path));
    EXPECT_TRUE(Listed().empty());
}

TEST_F(StartupFilesTest, ANameTakenAtEitherEndOrAStoreThatIsALinkIsRefusedWithNothingChanged) {
    const std::wstring path = Planted(L"Twice.bat");
    fs::create_directories(store);
    Write(store + L"\\Twice.bat", "another");
    const std::string live = Identity(path);
    EXPECT_EQ(0, changes.DisableStartupFile(path));
    EXPECT_EQ(live, Identity(path));
    EXPECT_EQ("another", Bytes(store + L"\\Twice.bat"));
    EXPECT_EQ(0, changes.EnableStartupFile(store + L"\\Twice.bat"));
    EXPECT_EQ(live, Identity(path));
    EXPECT_EQ("another", Bytes(store + L"\\Twice.bat"));
    // Only a file in a store can be switched on.
    EXPECT_EQ(0, changes.EnableStartupFile(path));

    fs::remove_all(store);
    const std::wstring elsewhere = scratch.AddFolder(L"elsewhere");
    std::string why;
    if (!test::MakeHostDirectoryLink(store, elsewhere, why)) {
        GTEST_FAIL() << "cannot make a directory link here: " << why;
    }
    EXPECT_EQ(0, changes.DisableStartupFile(path));
    EXPECT_EQ(live, Identity(path));
    for (const auto& item : fs::directory_iterator(elsewhere)) {
        ADD_FAILURE() << "written through the link: " << item.path().string();
    }
    EXPECT_TRUE(test::RemoveHostLink(store));
}

// Windows drops a name's trailing dot in the plain form of a path: only the verbatim one names it.
TEST_F(StartupFilesTest, AFileWhoseNameEndsInADotIsListedAndIsTheOneThatMoves) {
    const std::wstring plain = Planted(L"Odd.bat");
    const std::wstring odd = startup + L"\\Odd.bat.";
    Write(VerbatimPath(odd), "the odd one");
    ASSERT_EQ("the odd one", Bytes(VerbatimPath(odd))) << "this file system keeps no trailing dots";
    const std::string plainBefore = Identity(plain);

    const auto listed = Listed();
    const auto found =
        std::find_if(listed.begin(), listed.end(), [](const AutoRunEntry* e) { return e->name == L"Odd.bat."; });
    ASSERT_NE(listed.end(), found);
    ASSERT_EQ(odd, (*found)->keyPath);

    ASSERT_EQ(1, changes.DisableStartupFile(odd));
    EXPECT_EQ("the odd one", Bytes(VerbatimPath(store + L"\\Odd.bat.")));
    EXPECT_EQ(plainBefore, Identity(plain));
    ASSERT_EQ(1, changes.EnableStartupFile(store + L"\\Odd.bat."));
    EXPECT_EQ("the odd one", Bytes(VerbatimPath(odd)));
    ASSERT_EQ(1, changes.DeleteShortcut(odd));
    EXPECT_EQ("", Bytes(VerbatimPath(odd)));
    EXPECT_EQ(plainBefore, Identity(plain));
}

// Another program writes the store's name between the look and the move.
TaskFileApi g_realFiles;
std::wstring g_intruder;
bool MoveAfterAnotherProgram(const wchar_t* from, const wchar_t* to) {
    Write(g_intruder, "theirs");
    return g_realFiles.moveFile(from, to);
}

TEST_F(StartupFilesTest, ANameTakenBetweenTheLookAndTheMoveIsRefused) {
    const std::wstring path = Planted(L"Raced.bat");
    const std::string live = Identity(path);
    g_realFiles = RealTaskFileApi();
    g_intruder = store + L"\\Raced.bat";
    TaskFileApi racing = g_realFiles;
    racing.moveFile = MoveAfterAnotherProgram;
    {
        const ScopedTaskFileApi scope(racing);
        EXPECT_EQ(0, changes.DisableStartupFile(path));
    }
    EXPECT_EQ(live, Identity(path));
    EXPECT_EQ("theirs", Bytes(g_intruder));
}

}  // namespace
}  // namespace tarn
