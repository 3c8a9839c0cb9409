#include "support/scratch_folder.h"

#include "base/verbatim_path.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarn::test {

namespace fs = std::filesystem;

namespace {

// Removes a folder with everything in it: read-only files, names only the verbatim path form
// reaches (a trailing dot or blank) and links, which are removed, never followed.
void RemoveWhole(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const unique_find search(::FindFirstFileW(VerbatimPath(folder + L"\\*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            const std::wstring verbatim = VerbatimPath(path);
            ::SetFileAttributesW(verbatim.c_str(), FILE_ATTRIBUTE_NORMAL);
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                RemoveWhole(path);
            } else if (isFolder) {
                ::RemoveDirectoryW(verbatim.c_str());
            } else {
                ::DeleteFileW(verbatim.c_str());
            }
        } while (::FindNextFileW(search.get(), &found));
    }
    ::RemoveDirectoryW(VerbatimPath(folder).c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    std::vector<wchar_t> temp(MAX_PATH + 1, L'\0');
    const DWORD count = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    EXPECT_GT(count, 0u);
    fs::path base(std::wstring(temp.data(), count));
    const fs::path folder =
        base / (L"tarn-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    // Process numbers come round again: what an earlier process left there is not this one's.
    RemoveWhole(folder.wstring());
    fs::create_directories(folder);
    path_ = folder.wstring();
    while (!path_.empty() && path_.back() == L'\\') {
        path_.pop_back();
    }
}

ScratchFolder::~ScratchFolder() {
    RemoveWhole(path_);
}

std::wstring ScratchFolder::AddFile(const std::wstring& relative, std::size_t byteCount) const {
    const fs::path file = fs::path(path_) / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string content(byteCount, 'x');
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << file.string();
    return file.wstring();
}

std::wstring ScratchFolder::AddFolder(const std::wstring& relative) const {
    const fs::path folder = fs::path(path_) / relative;
    fs::create_directories(folder);
    return folder.wstring();
}

}  // namespace tarn::test
