#include "fileinfo/listing_cache.h"

#include "base/key_text.h"
#include "fileinfo/file_facts_cache.h"
#include "fileinfo/image_path.h"

#include "support/scratch_folder.h"

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Changes the process's current folder for the test's length.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const std::wstring& folder) {
        wchar_t old[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, old);
        old_ = old;
        ::SetCurrentDirectoryW(folder.c_str());
    }
    ~CurrentFolderScope() { ::SetCurrentDirectoryW(old_.c_str()); }
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

private:
    std::wstring old_;
};

// The file system is the judge: whatever a listing answers for, the system must not find, in
// every spelling the resolver may try; and the command texts of a big machine are answered.
TEST(ListingCache, AnswersOnlyForWhatTheFileSystemDoesNotFind) {
    test::ScratchFolder folder;
    folder.AddFile(L"plain.exe");
    folder.AddFile(L"a b.exe");
    folder.AddFile(L"sub dir\\inner.exe");
    folder.AddFile(L"Tarn Long Folder Name\\x y.exe");
    const std::wstring& f = folder.path();
    const CurrentFolderScope here(f);
    constexpr auto kAsk = ListingAnswer::Ask;
    constexpr auto kUnlisted = ListingAnswer::Unlisted;
    constexpr auto kNoFolder = ListingAnswer::NoSuchFolder;
    struct Case {
        std::wstring path;
        ListingAnswer expected;
    };
    const std::vector<Case> cases = {
        {f + L"\\plain.exe /background 7", kNoFolder},
        {f + L"\\a b.exe /x", kNoFolder},
        {f + L"\\missing 7.exe /x", kNoFolder},
        {f + L"\\sub dir\\inner.exe -q", kUnlisted},
        {f + L"\\missing 7.exe", kUnlisted},
        {f + L"\\missing dir\\x y.exe", kUnlisted},
        {L"plain.exe /k 7", kNoFolder},
        {f + L"\\plain.exe\\x y", kAsk},  // a file cannot be listed
        {f + L"\\a b.exe", kAsk},
        {f + L"\\A B.EXE", kAsk},
        {f + L"\\a b.exe.", kAsk},
        {f + L"\\a b.exe  ", kAsk},
        {f + L"/sub dir/inner.exe", kAsk},
        {f + L"\\SUB DIR\\INNER.EXE", kAsk},
        {f + L"\\sub dir.\\inner.exe", kAsk},
        {f + L"\\sub dir\\..\\plain.exe", kAsk},
        {f + L"\\sub dir\\x\\..\\..\\a b.exe", kAsk},
        {f + L"\\TARNLO~1\\x y.exe", kAsk},
        {f + L"\\plain.exe:stream x", kAsk},
        {f + L"\\nul x", kAsk},
        {L"a b.exe", kAsk},
        {L"sub dir\\inner.exe", kAsk},
        {L"..\\" + f.substr(f.find_last_of(L'\\') + 1) + L"\\a b.exe", kAsk},
    };
    ListingCache listings;
    // The first visits of a folder are the file system's to answer.
    EXPECT_EQ(kAsk, listings.Answer(cases[0].path));
    EXPECT_EQ(0u, listings.listings());
    for (const auto& c : cases) {
        ListingAnswer answer = kAsk;
        for (int visit = 0; visit < 3; ++visit) {
            answer = listings.Answer(c.path);
        }
        const bool exists = ::PathFileExistsW(c.path.c_str()) != FALSE;
        EXPECT_FALSE(answer != kAsk && exists) << Narrow(c.path);
        EXPECT_EQ(c.expected, answer) << Narrow(c.path);
    }
}

// A file a listing lacks (hidden from listings, or made after it) is still found.
TEST(ListingCache, AFileTheListingLacksIsStillResolved) {
    test::ScratchFolder folder;
    folder.AddFile(L"plain.exe");
    const FileFactsScope scan;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(0, ResolveImagePath(nullptr, folder / (L"gone " + std::to_wstring(k) + L".exe")));
    }
    ASSERT_GT(scan.object().folderListings(), 0u);
    const std::wstring late = folder.AddFile(L"late app.exe");
    for (const std::wstring& text : {late, late + L" /x", late + L" -y"}) {
        AutoRunEntry entry;
        EXPECT_EQ(1, ResolveImagePath(&entry, text)) << Narrow(text);
        EXPECT_EQ(LowerAscii(late), LowerAscii(entry.imagePath)) << Narrow(text);
    }
}

}  // namespace
}  // namespace tarn
