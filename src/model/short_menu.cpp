#include "model/short_menu.h"

#include "base/key_text.h"
#include "win/com_ptr.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace tarn {

namespace {

// Folder links can form cycles; no real menu is this deep.
constexpr int kMaxFolderDepth = 32;

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
    return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

std::wstring SpecialFolder(int folderId) {
    std::vector<wchar_t> folder(MAX_PATH, L'\0');
    if (!::SHGetSpecialFolderPathW(nullptr, folder.data(), folderId, FALSE)) {
        return {};
    }
    folder.back() = L'\0';
    return folder.data();
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    auto trimmed = [](const std::wstring& path) {
        return !path.empty() && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
    };
    return !a.empty() && EqualsNoCaseAscii(trimmed(a), trimmed(b));
}

bool IsShortcutName(const std::wstring& fileName) {
    const std::size_t dot = fileName.rfind(L'.');
    return dot != std::wstring::npos && EqualsNoCaseAscii(fileName.substr(dot + 1), L"lnk");
}

}  // namespace

int32_t CTarnAutoRunShortMenu::Enumerate() {
    StartupFolders startupFolders;
    startupFolders.emplace_back(SpecialFolder(CSIDL_STARTUP),
                                StartupApprovals(HKEY_CURRENT_USER, L"HKCU", kApprovalStartupFolderList));
    startupFolders.emplace_back(SpecialFolder(CSIDL_COMMON_STARTUP),
                                StartupApprovals(HKEY_LOCAL_MACHINE, L"HKLM", kApprovalStartupFolderList));
    // The common startup folder lies inside the common programs menu; the user's does not.
    for (const int folderId : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP}) {
        const std::wstring folder = SpecialFolder(folderId);
        if (!folder.empty()) {
            WalkFolder(folder, 0, startupFolders);
        }
    }
    return 0;
}

void CTarnAutoRunShortMenu::WalkFolder(const std::wstring& folder, int depth, const StartupFolders& startupFolders) {
    if (depth > kMaxFolderDepth) {
        return;
    }
    WIN32_FIND_DATAW found{};
    const unique_find search(::FindFirstFileW(Child(folder, L"*.*").c_str(), &found));
    if (!search) {
        // An empty folder lists "." at least: a folder that lists nothing could not be read.
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            Unreadable(folder, static_cast<LONG>(error));
        }
        return;
    }
    do {
        const std::wstring fileName = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if (fileName != L"." && fileName != L"..") {
                WalkFolder(Child(folder, fileName), depth + 1, startupFolders);
            }
        } else if (IsShortcutName(fileName)) {
            AddShortcut(folder, fileName, Child(folder, fileName), startupFolders);
        }
    } while (::FindNextFileW(search.get(), &found));
}

void CTarnAutoRunShortMenu::AddShortcut(const std::wstring& folder,
                                        const std::wstring& fileName,
                                        const std::wstring& path,
                                        const StartupFolders& startupFolders) {
    const std::wstring target = ResolveShortcut(path);
    if (target.empty()) {
        return;
    }
    ReadContext at;
    at.location = folder;
    AutoRunEntry entry = NewEntry(at);
    entry.locationKind = LocationFolder;
    for (const auto& [startupFolder, approvals] : startupFolders) {
        if (SameFolder(startupFolder, folder)) {
            TakeApproval(entry, approvals, fileName);
        }
    }
    entry.name = fileName;
    entry.keyPath = path;
    AddResolved(std::move(entry), target, at, LocationFolder);
}

std::wstring CTarnAutoRunShortMenu::ResolveShortcut(const std::wstring& path) {
    const ComApartment apartment;
    if (!apartment.ok()) {
        return {};
    }
    com_ptr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                  link.put_void()))) {
        return {};
    }
    com_ptr<IPersistFile> file;
    // Read access suffices, and is all an unprivileged user has in the common menu.
    if (FAILED(link.query_to(file)) || FAILED(file->Load(path.c_str(), STGM_READ))) {
        return {};
    }
    std::vector<wchar_t> target(MAX_PATH, L'\0');
    if (FAILED(link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_RAWPATH))) {
        return {};
    }
    target.back() = L'\0';
    return target.data();
}

}  // namespace tarn
