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

namespace {

const wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::optional<std::wstring> ReadStartup(const wchar_t* path) {
    std::vector<wchar_t> text(32768, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t) - sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CURRENT_USER, path, L"Startup", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                       nullptr, text.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text.data());
}

void WriteStartup(const wchar_t* path, const std::optional<std::wstring>& folder, DWORD type) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot write the shell-folder settings";
        return;
    }
    if (folder) {
        ::RegSetValueExW(key, L"Startup", 0, type, reinterpret_cast<const BYTE*>(folder->c_str()),
                         static_cast<DWORD>((folder->size() + 1) * sizeof(wchar_t)));
    } else {
        ::RegDeleteValueW(key, L"Startup");
    }
    ::RegCloseKey(key);
}

}  // namespace

ScopedUserStartupFolder::ScopedUserStartupFolder(const std::wstring& folder)
    : user_(ReadStartup(kUserShellFolders)), shell_(ReadStartup(kShellFolders)) {
    fs::create_directories(folder);
    WriteStartup(kUserShellFolders, folder, REG_EXPAND_SZ);
    WriteStartup(kShellFolders, folder, REG_SZ);
}

ScopedUserStartupFolder::~ScopedUserStartupFolder() {
    WriteStartup(kUserShellFolders, user_, REG_EXPAND_SZ);
    WriteStartup(kShellFolders, shell_, REG_SZ);
}

}  // namespace tarn::test
