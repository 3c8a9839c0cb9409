#include "model/short_menu.h"

#include "base/key_text.h"
#include "base/open_command.h"
#include "base/store_name.h"
#include "win/com_ptr.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

namespace tarn {

namespace {

// Folder links can form cycles; no real menu is this deep.
constexpr int kMaxFolderDepth = 32;

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

constexpr wchar_t kStartupFolderTechnique[] = L"T1547.001";
constexpr wchar_t kStartupBelowProfile[] = L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";

bool IsShortcutName(const std::wstring& fileName) {
    const std::size_t dot = fileName.rfind(L'.');
    return dot != std::wstring::npos && EqualsNoCaseAscii(fileName.substr(dot + 1), L"lnk");
}

}  // namespace

int32_t CTarnAutoRunShortMenu::Enumerate() {
    Walk walk;
    walk.startupFolders.emplace_back(SpecialFolder(CSIDL_STARTUP),
                                     StartupApprovals(HKEY_CURRENT_USER, L"HKCU", kApprovalStartupFolderList));
    walk.startupFolders.emplace_back(SpecialFolder(CSIDL_COMMON_STARTUP),
                                     StartupApprovals(HKEY_LOCAL_MACHINE, L"HKLM", kApprovalStartupFolderList));
    // The common Startup folder usually lies inside the common programs menu; the user's does not,
    // and either may be moved anywhere by the shell-folder settings.
    for (const int folderId : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
        const std::wstring folder = SpecialFolder(folderId);
        if (!folder.empty()) {
            WalkFolder(folder, 0, walk);
        }
    }
    // Every other user's Startup folder, where that user's own settings put it.
    ForEachOtherUser([&](const UserPlaces& places) {
        const auto folder = UserShellFolder(places, L"Startup", kStartupBelowProfile);
        if (!folder) {
            return;
        }
        walk.startupFolders.emplace_back(
            *folder, StartupApprovals(places.root, places.rootName.c_str(), kApprovalStartupFolderList));
        WalkFolder(*folder, 0, walk);
    });
    return 0;
}

void CTarnAutoRunShortMenu::WalkFolder(const std::wstring& folder, int depth, Walk& walk) {
    if (depth > kMaxFolderDepth) {
        return;
    }
    for (const std::wstring& done : walk.walked) {
        if (SameFolder(done, folder)) {
            return;
        }
    }
    walk.walked.push_back(folder);
    const StartupApprovals* startupList = nullptr;
    for (const auto& [startupFolder, approvals] : walk.startupFolders) {
        if (SameFolder(startupFolder, folder)) {
            startupList = &approvals;
        }
    }
    ReadContext at;
    at.location = folder;
    at.technique = startupList != nullptr ? kStartupFolderTechnique : nullptr;
    // Every file right in a Startup folder starts; below it, as anywhere in a menu, shortcuts are
    // listed, and its store holds the files switched off.
    ForEachFileIn(folder, [&](const std::wstring& name, bool isFolder) {
        const std::wstring path = ChildPath(folder, name);
        if (isFolder) {
            if (startupList == nullptr || !EqualsNoCaseAscii(name, kStoreName)) {
                WalkFolder(path, depth + 1, walk);
            }
        } else if (startupList != nullptr) {
            AddStartupFile(path, name, at, *startupList);
        } else if (IsShortcutName(name)) {
            AddShortcut(name, path, at);
        }
    });
    if (startupList != nullptr) {
        at.pass = 1;
        const std::wstring store = ChildPath(folder, kStoreName);
        ForEachFileIn(store, [&](const std::wstring& name, bool isFolder) {
            if (!isFolder) {
                AddStartupFile(ChildPath(store, name), name, at, *startupList);
            }
        });
    }
}

void CTarnAutoRunShortMenu::AddShortcut(const std::wstring& fileName, const std::wstring& path, const ReadContext& at) {
    const std::wstring target = ResolveShortcut(path);
    if (target.empty()) {
        return;
    }
    AutoRunEntry entry = NewEntry(at);
    entry.locationKind = LocationFolder;
    entry.name = fileName;
    entry.keyPath = path;
    AddResolved(std::move(entry), target, at, LocationFolder);
}

void CTarnAutoRunShortMenu::AddStartupFile(const std::wstring& path,
                                           const std::wstring& fileName,
                                           const ReadContext& at,
                                           const StartupApprovals& approvals) {
    // Windows reads the folder's settings from it; it starts nothing.
    if (EqualsNoCaseAscii(fileName, L"desktop.ini")) {
        return;
    }
    AutoRunEntry entry = NewEntry(at);
    entry.name = fileName;
    entry.keyPath = path;
    entry.entryKind = KindStartupFile;
    entry.commandLine = StartedBy(path, fileName);
    // Windows' switch is for the file in the folder; one in the store is off anyway.
    if (at.pass == 0) {
        TakeApproval(entry, approvals, fileName);
    }
    // A shortcut is listed with its target; every other file (and a shortcut whose target is
    // gone) with itself, as it is what lies in the folder.
    const bool target =
        IsShortcutName(fileName) && !entry.commandLine.empty() && ResolveStrictly(entry, entry.commandLine);
    // The listing found the file: one whose name the resolver cannot take (a trailing dot or blank)
    // is listed all the same, never hidden.
    if (!target && !ResolveStrictly(entry, L"\"" + path + L"\"")) {
        entry.imagePath = path;
    }
    Add(std::move(entry), at, LocationFolder);
}

std::wstring CTarnAutoRunShortMenu::StartedBy(const std::wstring& path, const std::wstring& fileName) {
    const std::size_t dot = fileName.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : fileName.substr(dot);
    if (EqualsNoCaseAscii(extension, L".lnk")) {
        return ResolveShortcut(path);
    }
    if (EqualsNoCaseAscii(extension, L".url")) {
        std::vector<wchar_t> address(4096, L'\0');
        ::GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", address.data(), static_cast<DWORD>(address.size()),
                                   path.c_str());
        address.back() = L'\0';
        return address.data();
    }
    const std::wstring quoted = L"\"" + path + L"\"";
    if (extension.empty()) {
        return quoted;
    }
    std::vector<wchar_t> command(2048, L'\0');
    DWORD size = static_cast<DWORD>(command.size());
    if (FAILED(::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_COMMAND, extension.c_str(), L"open",
                                   command.data(), &size))) {
        return quoted;
    }
    command.back() = L'\0';
    return CommandForFile(command.data(), path);
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
