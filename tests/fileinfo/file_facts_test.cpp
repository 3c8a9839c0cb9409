#include "fileinfo/file_facts.h"

#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "win/unique_handle.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

using test::ScratchFolder;

FILETIME FileTimeFromCalendar(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME calendar{};
    calendar.wYear = year;
    calendar.wMonth = month;
    calendar.wDay = day;
    calendar.wHour = hour;
    calendar.wMinute = minute;
    calendar.wSecond = second;
    FILETIME time{};
    EXPECT_TRUE(::SystemTimeToFileTime(&calendar, &time));
    return time;
}

FILETIME FileTimeFromUtc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    return FileTimeFromCalendar(year, month, day, hour, minute, second);
}

FILETIME FileTimeFromLocal(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    const FILETIME local = FileTimeFromCalendar(year, month, day, hour, minute, second);
    FILETIME utc{};
    EXPECT_TRUE(::LocalFileTimeToFileTime(&local, &utc));
    return utc;
}

void SetLastWriteTime(const std::wstring& path, const FILETIME& time) {
    const unique_file file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(static_cast<bool>(file));
    ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &time));
}

TEST(ReadFileSizeKB, RoundsDownToWholeKilobytes) {
    ScratchFolder scratch;
    struct Case {
        std::size_t bytes;
        int32_t expected;
    };
    for (const Case& c : {Case{0, 0}, Case{1023, 0}, Case{1024, 1}, Case{1048576, 1024}}) {
        EXPECT_EQ(c.expected, ReadFileSizeKB(scratch.AddFile(L"f" + std::to_wstring(c.bytes), c.bytes)));
    }
    EXPECT_EQ(-1, ReadFileSizeKB(scratch / L"missing.exe"));
}

TEST(ReadFileSizeKB, UsesTheFull64BitSize) {
    ScratchFolder scratch;
    const std::wstring path = scratch / L"big.bin";
    {
        // Sparse: the file claims 4 GiB and 1 KB without filling the disk.
        const unique_file file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(static_cast<bool>(file));
        LARGE_INTEGER end{};
        end.QuadPart = (4LL << 30) + 1024;
        ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get()));
    }
    EXPECT_EQ(4 * 1024 * 1024 + 1, ReadFileSizeKB(path));
}

TEST(FormatFileTime, WritesTheLocalLastWriteTime) {
    ScratchFolder scratch;
    const std::wstring path = scratch.AddFile(L"timed.exe");
    SetLastWriteTime(path, FileTimeFromLocal(2010, 1, 5, 7, 8, 9));
    EXPECT_EQ(L"2010 \u5e7401 \u670805 \u65e5, 07:08:09\n", FormatFileTime(path));

    // The tests run at UTC+8: 23:08:09 UTC on the 4th is 07:08:09 local time on the 5th.
    SetLastWriteTime(path, FileTimeFromUtc(2010, 1, 4, 23, 8, 9));
    EXPECT_EQ(L"2010 \u5e7401 \u670805 \u65e5, 07:08:09\n", FormatFileTime(path));

    EXPECT_EQ(L"", FormatFileTime(scratch / L"missing.exe"));
}

TEST(StoreFileFacts, FillsTheEntryInPlace) {
    ScratchFolder scratch;
    AutoRunEntry entry;
    const std::wstring path = scratch.AddFile(L"two-k.dll", 2048);
    SetLastWriteTime(path, FileTimeFromLocal(2021, 11, 30, 18, 5, 0));
    StoreFileSize(path, entry);
    StoreFileTime(path, entry);
    EXPECT_EQ(2, entry.sizeKB);
    EXPECT_EQ(L"2021 \u5e7411 \u670830 \u65e5, 18:05:00\n", entry.fileTime);

    StoreFileSize(scratch / L"gone.dll", entry);
    StoreFileTime(scratch / L"gone.dll", entry);
    EXPECT_EQ(-1, entry.sizeKB);
    EXPECT_EQ(L"", entry.fileTime);
}

TEST(FillFileFacts, ReadsAllFiveFactsOfTheImage) {
    AutoRunEntry entry;
    entry.imagePath = test::FixturePath(L"ver_two_translations.exe");
    FillFileFacts(entry);
    EXPECT_EQ(L"\u4e2d\u6587\u63cf\u8ff0", entry.description);
    EXPECT_EQ(L"Tarn Test Company", entry.company);
    EXPECT_EQ(L"1.2.3.4 \u4e2d\u6587\u7248", entry.fileVersion);
    EXPECT_GT(entry.sizeKB, 0);
    EXPECT_FALSE(entry.fileTime.empty());
}

TEST(FileIcons, ComeFromTheShellOrAreNone) {
    const std::wstring program = test::FixturePath(L"ver_none.exe");
    EXPECT_TRUE(static_cast<bool>(GetSmallFileIcon(program)));
    EXPECT_TRUE(static_cast<bool>(GetLargeFileIcon(program)));
    EXPECT_FALSE(static_cast<bool>(GetSmallFileIcon(program + L".missing")));
    EXPECT_FALSE(static_cast<bool>(GetLargeFileIcon(program + L".missing")));
}

}  // namespace
}  // namespace tarn
