#include "fileinfo/folder_listing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn {
namespace {

struct WalkCase {
    std::wstring path;
    std::wstring currentFolder;
    std::optional<ListingWalk> expected;
};

TEST(PlanListingWalk, StartsAboveTheFirstNameWithABlankAndOnlyWhereAListingCanTell) {
    const std::vector<WalkCase> cases = {
        {L"c:\\x\\plain3.exe /background 7", L"", ListingWalk{L"c:\\x", {L"plain3.exe ", L"background 7"}}},
        {L"c:\\program files\\app\\app.exe", L"", ListingWalk{L"c:\\", {L"program files", L"app", L"app.exe"}}},
        {L"notepad.exe /k 7", L"C:\\users\\me\\", ListingWalk{L"C:\\users\\me", {L"notepad.exe ", L"k 7"}}},
        {L"a b.exe", L"D:\\", ListingWalk{L"D:\\", {L"a b.exe"}}},
        // The folder part is the system's to read, ".." included; a walk ending in a separator
        // looks at an empty name last.
        {L"c:\\a\\..\\b c", L"", ListingWalk{L"c:\\a\\..", {L"b c"}}},
        {L"c:\\x\\a b\\", L"", ListingWalk{L"c:\\x", {L"a b", L""}}},
        {L"c:\\x\\lib.dll", L"", std::nullopt},
        {L"c:\\a b\\..\\c.exe", L"", std::nullopt},
        {L"c:\\a b\\. \\c.exe", L"", std::nullopt},
        {L"\\\\?\\c:\\x y", L"", std::nullopt},
        {L"\\\\server\\share\\x y", L"", std::nullopt},
        {L"\\x y", L"C:\\", std::nullopt},
        {L"c:x y", L"C:\\", std::nullopt},
        {L"x y", L"\\\\server\\share", std::nullopt},
        {L"x y", L"", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto walk = PlanListingWalk(c.path, c.currentFolder);
        ASSERT_EQ(c.expected.has_value(), walk.has_value()) << std::string(c.path.begin(), c.path.end());
        if (walk) {
            EXPECT_EQ(c.expected->folder, walk->folder);
            EXPECT_EQ(c.expected->names, walk->names);
        }
    }
}

TEST(FolderListing, SaysAbsentOnlyOfNamesNoFileSystemComparisonCouldFind) {
    FolderListing listing;
    listing.Add(L".", L"", false);
    listing.Add(L"Plain3.exe", L"", true);
    listing.Add(L"Tarn Bench", L"TARNBE~1", false);
    listing.Add(L"d\u0131r", L"", false);  // dotless i, which folds onto I
    listing.Add(L"odd. ", L"", true);
    listing.Add(L"link", L"", false);
    listing.Add(L"\u8bfb\u4e66.exe", L"", true);
    struct Case {
        std::wstring name;
        bool last;
        ListingVerdict expected;
    };
    const std::vector<Case> cases = {
        {L"plain3.exe ", false, ListingVerdict::UnderAFile},
        {L"PLAIN3.EXE", true, ListingVerdict::Ask},
        {L"plain3.exe..", true, ListingVerdict::Ask},
        {L"plain3.exe", false, ListingVerdict::UnderAFile},
        {L"plain4.exe", true, ListingVerdict::NoSuchName},
        {L"tarn bench", false, ListingVerdict::Descend},
        {L"tarn bench", true, ListingVerdict::Ask},
        {L"dir", false, ListingVerdict::Descend},
        {L"D\u0130R", false, ListingVerdict::Descend},
        {L"dirt", false, ListingVerdict::NoSuchName},
        {L"odd", true, ListingVerdict::Ask},
        {L"link", false, ListingVerdict::Descend},
        {L"\u8bfb\u4e66.exe", true, ListingVerdict::Ask},
        {L"\u8bfb\u4e66.exe /x", true, ListingVerdict::NoSuchName},
        {L".", false, ListingVerdict::Ask},
        {L"", true, ListingVerdict::Ask},
        // What a listing cannot speak for: short names, streams, wildcards, devices.
        {L"TARNBE~2", true, ListingVerdict::Ask},
        {L"plain4.exe:stream", true, ListingVerdict::Ask},
        {L"plain?.exe", true, ListingVerdict::Ask},
        {L"nul", true, ListingVerdict::Ask},
        {L"Com1 .txt", true, ListingVerdict::Ask},
        {L"conout$", true, ListingVerdict::Ask},
        {L"tab\there", true, ListingVerdict::Ask},
        {L"comp", true, ListingVerdict::NoSuchName},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, listing.Look(c.name, c.last)) << std::string(c.name.begin(), c.name.end());
    }
}

}  // namespace
}  // namespace tarn
