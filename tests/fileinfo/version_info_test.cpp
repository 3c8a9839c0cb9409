#include "fileinfo/version_info.h"
#include "fileinfo/version_query.h"

#include "support/test_paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

using test::FixturePath;

struct VersionCase {
    const wchar_t* fixture;
    const wchar_t* description;
    const wchar_t* company;
    const wchar_t* version;
};

TEST(QueryVersionString, ReadsEachFixtureWithTheLastTranslationWinning) {
    const VersionCase cases[] = {
        // 0x0804 comes after 0x0409 in the table: its strings win; the company exists only under
        // 0x0409, so that find stays.
        {L"ver_two_translations.exe", L"\u4e2d\u6587\u63cf\u8ff0", L"Tarn Test Company", L"1.2.3.4 \u4e2d\u6587\u7248"},
        {L"ver_missing_string.exe", L"Only a description", L"", L""},
        {L"ver_no_translation.exe", L"", L"", L""},
        {L"ver_none.exe", L"", L"", L""},
        {L"ver_large_block.exe", L"Found past the first sixteen thousand bytes", L"Large Block Ltd", L""},
        {L"no-such-file.exe", L"", L"", L""},
    };
    for (const VersionCase& c : cases) {
        const std::wstring path = FixturePath(c.fixture);
        EXPECT_EQ(c.description, QueryVersionString(kDescriptionQuery, path)) << std::wstring(c.fixture).size();
        EXPECT_EQ(c.company, QueryVersionString(kCompanyQuery, path));
        EXPECT_EQ(c.version, QueryVersionString(kFileVersionQuery, path));
    }
}

TEST(QueryVersionString, LargeBlockReallyExceedsTheUsualBuffer) {
    DWORD handle = 0;
    EXPECT_GT(::GetFileVersionInfoSizeW(FixturePath(L"ver_large_block.exe").c_str(), &handle), 16000u);
}

TEST(VersionReaders, StoreIntoTheirOwnFields) {
    AutoRunEntry entry;
    const std::wstring path = FixturePath(L"ver_two_translations.exe");
    ReadFileDescription(path, entry);
    ReadCompanyName(path, entry);
    ReadFileVersion(path, entry);
    EXPECT_EQ(L"\u4e2d\u6587\u63cf\u8ff0", entry.description);
    EXPECT_EQ(L"Tarn Test Company", entry.company);
    EXPECT_EQ(L"1.2.3.4 \u4e2d\u6587\u7248", entry.fileVersion);
    EXPECT_TRUE(entry.name.empty());
}

}  // namespace
}  // namespace tarn
