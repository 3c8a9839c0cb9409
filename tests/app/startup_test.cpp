// The program as a user starts it: the 32-bit build inside a 64-bit prefix (WoW64) refuses and
// ends without a main window; a build native to the system opens its main window and ends when
// it is closed.
#include "app/bramble_app.h"

#include "support/main_window.h"
#include "support/remote_controls.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "support/wine_overrides.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tarn {
namespace {

using test::Eventually;

constexpr wchar_t kMainCaption[] = L"Tarnwell系统自启动项管理工具 Beta v2.2";

struct Started {
    PROCESS_INFORMATION process = {};
    bool ok = false;
    ~Started() {
        if (ok) {
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        }
    }
};

void Start(const std::wstring& program, Started& started) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + program + L"\"";
    started.ok = ::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &started.process) != FALSE;
}

// A top-level window with this caption that belongs to the process, or to any process when
// `process` is 0. Other test programs on the same display show windows of the same caption.
HWND WindowCaptioned(const wchar_t* className, const wchar_t* caption, DWORD process = 0) {
    for (HWND window = ::FindWindowW(className, caption); window != nullptr;
         window = ::FindWindowExW(nullptr, window, className, caption)) {
        if (process == 0 || test::ProcessOf(window) == process) {
            return window;
        }
    }
    return nullptr;
}

// The message box a process shows, by its caption.
HWND MessageBoxCaptioned(const wchar_t* caption, DWORD process = 0) {
    return WindowCaptioned(L"#32770", caption, process);
}

[[maybe_unused]] std::wstring DialogText(HWND dialog, int id) {
    wchar_t text[512] = {};
    ::GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

bool Ended(const Started& started, DWORD timeoutMs, DWORD& exitCode) {
    if (::WaitForSingleObject(started.process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    ::GetExitCodeProcess(started.process.hProcess, &exitCode);
    return true;
}

TEST(Startup, TheProgramBuiltForThisSystemOpensItsWindowAndEndsWhenItIsClosed) {
    ASSERT_FALSE(RunsUnderWow64()) << "the test program itself runs under WoW64";
    Started started;
    Start(test::TestProgramFolder() + L"\\..\\tarnwell.exe", started);
    ASSERT_TRUE(started.ok);
    HWND window = nullptr;
    const DWORD id = started.process.dwProcessId;
    ASSERT_TRUE(Eventually([&] { return (window = WindowCaptioned(nullptr, kMainCaption, id)) != nullptr; }, 30000));
    EXPECT_EQ(nullptr, MessageBoxCaptioned(L"tarnwell", id));
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(started, 30000, exitCode));
    EXPECT_EQ(0u, exitCode);
}

// The program declares itself aware of each monitor's scale, so that Windows never stretches it
// into a blurred bitmap. Wine reports every window as aware whatever a program declares: what the
// program carries is read instead.
TEST(Startup, TheProgramDeclaresItselfAwareOfEachMonitorsScale) {
    const HMODULE program = ::LoadLibraryExW((test::TestProgramFolder() + L"\\..\\tarnwell.exe").c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, program);
    const HRSRC found = ::FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(nullptr, found);
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(program, found)));
    const std::string manifest(bytes, ::SizeofResource(program, found));
    ::FreeLibrary(program);
    EXPECT_NE(std::string::npos, manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"));
    EXPECT_NE(std::string::npos, manifest.find(">true/pm</dpiAware>"));
}

TEST(Startup, The32BitProgramRefusesTheEmulationOfA64BitSystem) {
#ifndef _WIN64
    GTEST_SKIP() << "this test program is 32-bit: its prefix is a 32-bit one, which has no emulation";
#else
    const std::wstring program = test::TestProgramFolder() + L"\\..\\..\\windows-x86\\tarnwell.exe";
    if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("skipped: the 32-bit build is not there\n");
        GTEST_SKIP() << "the 32-bit build is not there";
    }
    Started started;
    Start(program, started);
    DWORD exitCode = 0;
    const DWORD id = started.process.dwProcessId;
    if (!started.ok || (Ended(started, 3000, exitCode) && MessageBoxCaptioned(L"tarnwell", id) == nullptr)) {
        std::printf("skipped: this machine cannot run 32-bit programs (the 32-bit build did not start)\n");
        GTEST_SKIP() << "this machine cannot run 32-bit programs";
    }
    HWND box = nullptr;
    ASSERT_TRUE(Eventually([&] { return (box = MessageBoxCaptioned(L"tarnwell", id)) != nullptr; }, 30000));
    std::printf("the 32-bit build said: %ls\n", DialogText(box, 0xFFFF).c_str());
    EXPECT_EQ(kWow64RefusalText, DialogText(box, 0xFFFF));
    EXPECT_EQ(nullptr, WindowCaptioned(nullptr, kMainCaption, id));
    ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Ended(started, 30000, exitCode));
#endif
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// The window program started from a folder that also holds DLLs named as system DLLs, with
// Windows' search order forced for them: none of them runs in it.
TEST(Startup, DllsBesideTheWindowProgramNeverRunInIt) {
    test::ScratchFolder scratch;
    const std::wstring folder = scratch.AddFolder(L"Downloads");
    ASSERT_TRUE(::CopyFileW((test::TestProgramFolder() + L"\\..\\tarnwell.exe").c_str(),
                            (folder + L"\\tarnwell.exe").c_str(), FALSE));
    for (const wchar_t* dll : {L"version.dll", L"crypt32.dll"}) {
        ASSERT_TRUE(::CopyFileW(test::FixturePath(std::wstring(L"planted\\") + dll).c_str(),
                                (folder + L"\\" + dll).c_str(), FALSE));
    }
    const std::wstring mark = scratch / L"planted-mark.txt";
    ::SetEnvironmentVariableW(L"TARN_PLANT_MARK", mark.c_str());
    // Forced for crypt32 only: Wine's own user32 imports version.dll, so forcing Windows' order for that
    // one would load the planted copy through Wine itself, as Windows (whose user32 is a known DLL and
    // imports no version.dll) never does. The import check keeps the programs from importing either.
    std::printf("version.dll: not forced under Wine (its user32 imports it); checked by the import check\n");
    const test::ScopedWindowsDllSearch windowsOrder(L"tarnwell.exe", {L"crypt32"});
    Started started;
    Start(folder + L"\\tarnwell.exe", started);
    ::SetEnvironmentVariableW(L"TARN_PLANT_MARK", nullptr);
    ASSERT_TRUE(started.ok);
    HWND window = nullptr;
    const DWORD id = started.process.dwProcessId;
    ASSERT_TRUE(Eventually([&] { return (window = WindowCaptioned(nullptr, kMainCaption, id)) != nullptr; }, 30000));
    // The first scan reads versions and signatures.
    ::Sleep(2000);
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(started, 30000, exitCode));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(mark.c_str())) << "a planted DLL ran in the program";
}

}  // namespace
}  // namespace tarn
