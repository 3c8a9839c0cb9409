#include "support/shell_fixture.h"

#include "win/com_ptr.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace tarn::test {

namespace fs = std::filesystem;

std::wstring SpecialFolder(int csidl) {
    std::vector<wchar_t> path(MAX_PATH, L'\0');
    EXPECT_TRUE(::SHGetSpecialFolderPathW(nullptr, path.data(), csidl, TRUE));
    return path.data();
}

void MakeShortcut(const std::wstring& path, const std::wstring& target) {
    fs::create_directories(fs::path(path).parent_path());
    const ComApartment apartment;
    com_ptr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW), link.put_void()));
    ASSERT_HRESULT_SUCCEEDED(link->SetPath(target.c_str()));
    com_ptr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(link.query_to(file));
    ASSERT_HRESULT_SUCCEEDED(file->Save(path.c_str(), TRUE));
}

ShellTestFolder::ShellTestFolder(int csidl) : path_(SpecialFolder(csidl) + Marker()) {}

ShellTestFolder::~ShellTestFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::wstring ShellTestFolder::Marker() {
    return L"\\TarnTest" + std::to_wstring(::GetCurrentProcessId());
}

}  // namespace tarn::test
