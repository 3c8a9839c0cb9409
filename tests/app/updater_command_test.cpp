#include "app/updater_command.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

TEST(UpdaterCommandLine, NamesTheProgramFileWithoutItsFolder) {
    struct Case {
        std::wstring modulePath;
        std::optional<std::wstring> line;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Tarnwell\\tarnwell.exe", L"tarnupdate.exe TARNWELL1 v2.2 tarnwell.exe"},
        {L"C:\\a b\\Tool v2 (copy).EXE", L"tarnupdate.exe TARNWELL1 v2.2 Tool v2 (copy).EXE"},
        {L"\\\\server\\share\\tarnwell", L"tarnupdate.exe TARNWELL1 v2.2 tarnwell"},
        {L"C:\\folder\\", std::nullopt},
        // 30 characters of prefix leave 229 for the name.
        {L"C:\\x\\" + std::wstring(229, L'n'), L"tarnupdate.exe TARNWELL1 v2.2 " + std::wstring(229, L'n')},
        {L"C:\\x\\" + std::wstring(230, L'n'), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.line, UpdaterCommandLine(c.modulePath)) << "case " << (&c - cases);
    }
}

TEST(UpdaterPathBeside, IsTheProgramsOwnFolderNeverASearch) {
    EXPECT_EQ(L"C:\\Program Files\\Tarnwell\\tarnupdate.exe",
              UpdaterPathBeside(L"C:\\Program Files\\Tarnwell\\tarnwell.exe"));
    EXPECT_EQ(L"C:\\tarnupdate.exe", UpdaterPathBeside(L"C:\\tarnwell.exe"));
    // A bare name would be searched for: refused.
    EXPECT_EQ(std::nullopt, UpdaterPathBeside(L"tarnwell.exe"));
    EXPECT_EQ(std::nullopt, UpdaterPathBeside(L"C:\\" + std::wstring(250, L'f') + L"\\tarnwell.exe"));
}

TEST(SiteBrowserCommandLine, QuotesTheBrowserSoABlankCannotCutItShort) {
    EXPECT_EQ(L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" https://x.example/",
              SiteBrowserCommandLine(L"C:\\Program Files", L"https://x.example/"));
    EXPECT_EQ(std::nullopt, SiteBrowserCommandLine(L"", L"https://x.example/"));
    EXPECT_EQ(std::nullopt, SiteBrowserCommandLine(L"C:\\" + std::wstring(240, L'p'), L"https://x.example/"));
}

}  // namespace
}  // namespace tarn
