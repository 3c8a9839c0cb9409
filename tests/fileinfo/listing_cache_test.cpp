#include "fileinfo/listing_cache.h"

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

// The file system is the judge: whatever a listing shows absent, the system must not find, in
// every spelling the resolver may try; and the command texts of a big machine are shown absent.
TEST(ListingCache, ShowsAbsentOnlyWhatTheFileSystemDoesNotFind) {
    test::ScratchFolder folder;
    folder.AddFile(L"plain.exe");
    folder.AddFile(L"a b.exe");
    folder.AddFile(L"sub dir\\inner.exe");
    folder.AddFile(L"Tarn Long Folder Name\\x y.exe");
    const std::wstring& f = folder.path();
    const CurrentFolderScope here(f);
    struct Case {
        std::wstring path;
        bool shownAbsent;
    };
    const std::vector<Case> cases = {
        {f + L"\\plain.exe /background 7", true},
        {f + L"\\a b.exe /x", true},
        {f + L"\\missing 7.exe /x", true},
        {f + L"\\sub dir\\inner.exe -q", true},
        {f + L"\\plain.exe\\x y", false},  // a file cannot be listed
        {f + L"\\missing dir\\x y.exe", true},
        {L"plain.exe /k 7", true},
        {f + L"\\a b.exe", false},
        {f + L"\\A B.EXE", false},
        {f + L"\\a b.exe.", false},
        {f + L"\\a b.exe  ", false},
        {f + L"/sub dir/inner.exe", false},
        {f + L"\\SUB DIR\\INNER.EXE", false},
        {f + L"\\sub dir.\\inner.exe", false},
        {f + L"\\sub dir\\..\\plain.exe", false},
        {f + L"\\sub dir\\x\\..\\..\\a b.exe", false},
        {f + L"\\TARNLO~1\\x y.exe", false},
        {f + L"\\plain.exe:stream x", false},
        {f + L"\\nul x", false},
        {L"a b.exe", false},
        {L"sub dir\\inner.exe", false},
        {L"..\\" + f.substr(f.find_last_of(L'\\') + 1) + L"\\a b.exe", false},
    };
    ListingCache listings;
    // The first visits of a folder are the file system's to answer.
    EXPECT_FALSE(listings.ShowsAbsent(cases[0].path));
    EXPECT_EQ(0u, listings.listings());
    for (const auto& c : cases) {
        bool shown = false;
        for (int visit = 0; visit < 3; ++visit) {
            shown = listings.ShowsAbsent(c.path);
        }
        const bool exists = ::PathFileExistsW(c.path.c_str()) != FALSE;
        EXPECT_FALSE(shown && exists) << Narrow(c.path);
        EXPECT_EQ(c.shownAbsent, shown) << Narrow(c.path);
    }
}

}  // namespace
}  // namespace tarn
