// The about box and the update check as a user meets them: a real updater program beside the
// test program ends with the code each test chooses; the pages Wine would open in a browser are
// written down by a recording browser; the about button is read as the user sees it.
#include "app/maker.h"
#include "resource_ids.h"

#include "support/main_window.h"
#include "support/registry_seed.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::Eventually;
using test::MainWindow;

constexpr wchar_t kResting[] = L"关于";
constexpr wchar_t kSpaced[] = L"\u3000关\u3000于\u3000";
constexpr wchar_t kAfterBox[] = L"关 于";
constexpr DWORD kQuietMs = 2500;

std::wstring WindowsPathOfUnixPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (const char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return path;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Every line the recording browser wrote.
std::vector<std::string> BrowserCalls(const std::wstring& log) {
    std::ifstream in(Narrow(log));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::wstring ReadRecord(const std::wstring& file) {
    std::ifstream in(Narrow(file), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string raw = bytes.str();
    return std::wstring(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
}

// Whether the button shows a blink frame now: the frames are amber, the button face is grey.
bool ShowsBlinkFrame(HWND button) {
    const HDC dc = ::GetDC(button);
    RECT client = {};
    ::GetClientRect(button, &client);
    const COLORREF pixel = ::GetPixel(dc, client.right / 2, 2);
    ::ReleaseDC(button, dc);
    return pixel != CLR_INVALID && GetRValue(pixel) > 0xE0 && GetBValue(pixel) < 0x90;
}

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        updaterBeside = test::TestProgramFolder() + L"\\tarnupdate.exe";
        ::DeleteFileW(updaterBeside.c_str());
        record = folder / L"updater-record.txt";
        ::SetEnvironmentVariableW(L"TARN_UPDATER_RECORD", record.c_str());
        browserLog = WindowsPathOfUnixPath(TARN_BROWSER_RECORDER);
        browserLog = browserLog.substr(0, browserLog.find_last_of(L'\\') + 1) + L"browser-calls.log";
        ::DeleteFileW(browserLog.c_str());
        seed.SetString(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers",
                       std::wstring(TARN_BROWSER_RECORDER, TARN_BROWSER_RECORDER + sizeof TARN_BROWSER_RECORDER - 1));
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"TARN_UPDATER_RECORD", nullptr);
        ::SetEnvironmentVariableW(L"TARN_UPDATER_EXIT", nullptr);
        ::SetEnvironmentVariableW(L"TARN_UPDATER_DELAY_MS", nullptr);
        ::DeleteFileW(updaterBeside.c_str());
    }

    // The updater beside the program, ending with `exitCode`.
    void PlaceUpdater(int exitCode) {
        ASSERT_TRUE(::CopyFileW(test::FixturePath(L"test_updater.exe").c_str(), updaterBeside.c_str(), FALSE));
        ::SetEnvironmentVariableW(L"TARN_UPDATER_EXIT", std::to_wstring(exitCode).c_str());
    }
    bool UpdaterRan() const {
        return Eventually([&] { return !ReadRecord(record).empty(); });
    }
    int UpdatePageOpenings() const {
        int count = 0;
        for (const auto& line : BrowserCalls(browserLog)) {
            count += line.find(Narrow(kUpdatePage)) != std::string::npos ? 1 : 0;
        }
        return count;
    }

    // Nothing the user could see: the button keeps its caption and never shows a frame, no page.
    void ExpectNothingVisible(MainWindow& window) {
        const HWND button = ::GetDlgItem(window.window(), IDC_ABOUT);
        bool changed = false;
        Eventually(
            [&] {
                changed = changed || window.Text(IDC_ABOUT) != kResting || ShowsBlinkFrame(button);
                return changed;
            },
            kQuietMs);
        EXPECT_FALSE(changed) << "the about button changed";
        EXPECT_EQ(0, UpdatePageOpenings());
    }

    test::ScratchFolder folder;
    test::RegistrySeed seed;
    std::wstring updaterBeside;
    std::wstring record;
    std::wstring browserLog;
};

TEST_F(UpdateCheckTest, UpdateWaitingBlinksUntilTheAboutBoxThenOpensThePageOnce) {
    PlaceUpdater(100);
    MainWindow window;
    ASSERT_TRUE(UpdaterRan());
    const HWND button = ::GetDlgItem(window.window(), IDC_ABOUT);
    // Both halves of the signal come round within a few periods.
    bool spaced = false;
    bool frame = false;
    EXPECT_TRUE(Eventually(
        [&] {
            spaced = spaced || window.Text(IDC_ABOUT) == kSpaced;
            frame = frame || ShowsBlinkFrame(button);
            return spaced && frame;
        },
        5000))
        << "spaced caption seen: " << spaced << ", blink frame seen: " << frame;
    EXPECT_EQ(0, UpdatePageOpenings());

    window.ClickButton(IDC_ABOUT);
    const auto box = window.WaitForBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ(window.window(), box.owner);
    window.Answer(box, IDC_ABOUT_OK);
    EXPECT_TRUE(Eventually([&] { return window.Text(IDC_ABOUT) == kAfterBox; }));
    EXPECT_TRUE(Eventually([&] { return UpdatePageOpenings() == 1; }, 15000)) << "the update page did not open";

    // The signal has stopped, and a second look at the box opens nothing more.
    bool blinked = false;
    Eventually([&] { return blinked = window.Text(IDC_ABOUT) != kAfterBox || ShowsBlinkFrame(button); }, kQuietMs);
    EXPECT_FALSE(blinked);
    window.ClickButton(IDC_ABOUT);
    window.Answer(window.WaitForBox(), IDC_ABOUT_OK);
    ::Sleep(kQuietMs);
    EXPECT_EQ(kAfterBox, window.Text(IDC_ABOUT));
    EXPECT_EQ(1, UpdatePageOpenings());
}

TEST_F(UpdateCheckTest, OpenPageNowOpensItAtOnceWithoutBlinking) {
    PlaceUpdater(101);
    MainWindow window;
    ASSERT_TRUE(UpdaterRan());
    EXPECT_TRUE(Eventually([&] { return UpdatePageOpenings() == 1; }, 15000)) << "the update page did not open";
    bool changed = false;
    Eventually(
        [&] {
            return changed =
                       window.Text(IDC_ABOUT) != kResting || ShowsBlinkFrame(::GetDlgItem(window.window(), IDC_ABOUT));
        },
        kQuietMs);
    EXPECT_FALSE(changed);
}

TEST_F(UpdateCheckTest, AnyOtherAnswerOrNoUpdaterChangesNothing) {
    for (const int exitCode : {0, 7, 99, 102}) {
        SCOPED_TRACE("exit code " + std::to_string(exitCode));
        ::DeleteFileW(record.c_str());
        PlaceUpdater(exitCode);
        MainWindow window;
        ASSERT_TRUE(UpdaterRan());
        ExpectNothingVisible(window);
    }
    SCOPED_TRACE("no updater");
    ::DeleteFileW(updaterBeside.c_str());
    MainWindow window;
    ExpectNothingVisible(window);
}

TEST_F(UpdateCheckTest, TheUpdaterBesideTheProgramGetsItsCommandLineAPlantedOneNeverRuns) {
    PlaceUpdater(0);
    {
        MainWindow window;
        ASSERT_TRUE(UpdaterRan());
    }
    const std::wstring ran = ReadRecord(record);
    EXPECT_EQ(updaterBeside + L"|tarnupdate.exe TARNWELL1 v2.2 window_tests.exe\n", ran) << Narrow(ran);

    // One planted in the current folder, none beside the program: nothing runs.
    ::DeleteFileW(updaterBeside.c_str());
    ::DeleteFileW(record.c_str());
    const std::wstring planted = folder / L"tarnupdate.exe";
    ASSERT_TRUE(::CopyFileW(test::FixturePath(L"test_updater.exe").c_str(), planted.c_str(), FALSE));
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.path().c_str()));
    {
        MainWindow window;
        EXPECT_FALSE(Eventually([&] { return !ReadRecord(record).empty(); }, kQuietMs))
            << "the planted updater ran: " << Narrow(ReadRecord(record));
    }
    ::SetCurrentDirectoryW(previous);
}

// The program runs elevated from folders anyone can write to: an updater that is not signed, or is
// signed by another certificate, never runs; one signed like the program does (above).
TEST_F(UpdateCheckTest, AnUpdaterNotSignedLikeTheProgramNeverRuns) {
    for (const wchar_t* updater : {L"test_updater_unsigned.exe", L"test_updater_other.exe"}) {
        SCOPED_TRACE(Narrow(updater));
        ::DeleteFileW(record.c_str());
        ASSERT_TRUE(::CopyFileW(test::FixturePath(updater).c_str(), updaterBeside.c_str(), FALSE));
        ::SetEnvironmentVariableW(L"TARN_UPDATER_EXIT", L"100");
        MainWindow window;
        EXPECT_FALSE(Eventually([&] { return !ReadRecord(record).empty(); }, kQuietMs))
            << "it ran: " << Narrow(ReadRecord(record));
        ExpectNothingVisible(window);
    }
}

TEST_F(UpdateCheckTest, AnAnswerAfterTheWindowHasGoneReachesNothing) {
    PlaceUpdater(101);
    ::SetEnvironmentVariableW(L"TARN_UPDATER_DELAY_MS", L"1500");
    {
        MainWindow window;
        ASSERT_TRUE(window.IsOpen());
    }
    ASSERT_TRUE(UpdaterRan());
    ::Sleep(kQuietMs);
    EXPECT_EQ(0, UpdatePageOpenings()) << "the update page opened for a window that was gone";
}

TEST(AboutBox, ShowsTheThreeAddressesUnderlinedInBlueAndTheProductInBold) {
    MainWindow window;
    window.ClickButton(IDC_ABOUT);
    const auto box = window.WaitForBox();
    ASSERT_NE(nullptr, box.window);
    const auto text = [&](int id) {
        wchar_t buffer[256] = {};
        ::GetDlgItemTextW(box.window, id, buffer, 256);
        return std::wstring(buffer);
    };
    const auto font = [&](int id) {
        LOGFONTW face = {};
        const auto handle = reinterpret_cast<HFONT>(::SendDlgItemMessageW(box.window, id, WM_GETFONT, 0, 0));
        ::GetObjectW(handle, sizeof face, &face);
        return face;
    };
    EXPECT_EQ(kSupportMail, text(IDC_ABOUT_SUPPORT_MAIL));
    EXPECT_EQ(kSampleMail, text(IDC_ABOUT_SAMPLE_MAIL));
    EXPECT_EQ(kSiteAddress, text(IDC_ABOUT_SITE));
    EXPECT_EQ(L"系统启动项管理工具\n程序版本 Beta v2.2", text(IDC_ABOUT_PRODUCT));
    for (const int id : {IDC_ABOUT_SUPPORT_MAIL, IDC_ABOUT_SAMPLE_MAIL, IDC_ABOUT_SITE}) {
        const LOGFONTW face = font(id);
        EXPECT_TRUE(face.lfUnderline) << id;
        EXPECT_EQ(FW_NORMAL, face.lfWeight) << id;
        EXPECT_EQ(12, face.lfHeight) << id;
        EXPECT_STREQ(L"宋体", face.lfFaceName) << id;
        // The colour the box gives the control when it draws.
        const HDC dc = ::CreateCompatibleDC(nullptr);
        ::SendMessageW(box.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box.window, id)));
        EXPECT_EQ(RGB(0, 0, 255), ::GetTextColor(dc)) << id;
        ::DeleteDC(dc);
    }
    const LOGFONTW product = font(IDC_ABOUT_PRODUCT);
    EXPECT_EQ(FW_BOLD, product.lfWeight);
    EXPECT_FALSE(product.lfUnderline);
    EXPECT_STREQ(L"宋体", product.lfFaceName);
    // Other text keeps the default colour.
    const HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SendMessageW(box.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box.window, IDC_ABOUT_PRODUCT)));
    EXPECT_NE(RGB(0, 0, 255), ::GetTextColor(dc));
    ::DeleteDC(dc);
    // Opening the box with no update waiting leaves the button as it was.
    window.Answer(box, IDC_ABOUT_OK);
    EXPECT_EQ(kResting, window.Text(IDC_ABOUT));
}

// The processes running a program of this file name.
std::vector<DWORD> ProcessesNamed(const wchar_t* exeName) {
    std::vector<DWORD> found;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return found;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (::lstrcmpiW(entry.szExeFile, exeName) == 0) {
            found.push_back(entry.th32ProcessID);
        }
    }
    ::CloseHandle(snapshot);
    return found;
}

void EndProcesses(const std::vector<DWORD>& ids) {
    for (const DWORD id : ids) {
        if (const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            ::TerminateProcess(process, 0);
            ::WaitForSingleObject(process, 5000);
            ::CloseHandle(process);
        }
    }
}

TEST(SiteLink, AClickStartsTheBrowserOnTheMakersSite) {
    EndProcesses(ProcessesNamed(L"iexplore.exe"));
    MainWindow window;
    const HWND link = ::GetDlgItem(window.window(), IDC_SITE_LINK);
    RECT area = {};
    ::GetClientRect(link, &area);
    const LPARAM point = MAKELPARAM(area.right / 3, area.bottom / 2);
    ::PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageW(link, WM_LBUTTONUP, 0, point);
    std::vector<DWORD> browsers;
    EXPECT_TRUE(Eventually([&] { return !(browsers = ProcessesNamed(L"iexplore.exe")).empty(); }, 15000))
        << "no browser was started";
    EndProcesses(browsers);
}

}  // namespace
}  // namespace tarn
