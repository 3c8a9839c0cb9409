#include "fileinfo/listing_cache.h"

#include "base/registry_names.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace tarn {

namespace {

// A folder is listed at this visit; the visits before it are answered by the file system.
constexpr int kVisitsBeforeListing = 3;

std::wstring CurrentFolder() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) {
        return {};
    }
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    return length == 0 || length >= buffer.size() ? std::wstring() : std::wstring(buffer.data(), length);
}

template <std::size_t N>
std::wstring Bounded(const wchar_t (&text)[N]) {
    return std::wstring(text, ::wcsnlen(text, N));
}

// Every name in the folder; nothing when the folder cannot be listed whole.
std::optional<FolderListing> ListFolder(const std::wstring& folder) {
    const std::wstring pattern = FolderBelow(folder, L"*");
    WIN32_FIND_DATAW found = {};
    unique_find find(::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
    // Systems before Windows 7 refuse the larger fetch.
    if (!find && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        find.reset(::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0));
    }
    if (!find) {
        return std::nullopt;
    }
    FolderListing listing;
    do {
        const bool plainFile =
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
        listing.Add(Bounded(found.cFileName), Bounded(found.cAlternateFileName), plainFile);
    } while (::FindNextFileW(find.get(), &found));
    // A listing cut short could not say that a name is absent.
    if (::GetLastError() != ERROR_NO_MORE_FILES) {
        return std::nullopt;
    }
    return listing;
}

}  // namespace

const FolderListing* ListingCache::ListingOf(const std::wstring& folder) {
    std::shared_ptr<Folder> entry;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto& slot = folders_[FoldRegistryName(folder)];
        if (!slot) {
            slot = std::make_shared<Folder>();
        }
        if (++slot->visits < kVisitsBeforeListing) {
            return nullptr;
        }
        entry = slot;
    }
    std::call_once(entry->once, [&] {
        entry->listing = ListFolder(folder);
        const std::lock_guard<std::mutex> lock(mutex_);
        ++listings_;
    });
    return entry->listing ? &*entry->listing : nullptr;
}

ListingAnswer ListingCache::Answer(const std::wstring& path) {
    // Most candidates have no blank, and only a relative one needs the current folder.
    if (path.find(L' ') == std::wstring::npos) {
        return ListingAnswer::Ask;
    }
    const bool relative = path.size() < 2 || path[1] != L':';
    const auto walk = PlanListingWalk(path, relative ? CurrentFolder() : std::wstring());
    if (!walk) {
        return ListingAnswer::Ask;
    }
    std::wstring folder = walk->folder;
    for (std::size_t k = 0; k < walk->names.size(); ++k) {
        const FolderListing* listing = ListingOf(folder);
        if (!listing) {
            return ListingAnswer::Ask;
        }
        const std::wstring& name = walk->names[k];
        const bool last = k + 1 == walk->names.size();
        switch (listing->Look(name, last)) {
            case ListingVerdict::UnderAFile:
                return ListingAnswer::NoSuchFolder;
            case ListingVerdict::NoSuchName:
                return !last && !name.empty() && (name.back() == L' ' || name.back() == L'.')
                           ? ListingAnswer::NoSuchFolder
                           : ListingAnswer::Unlisted;
            case ListingVerdict::Ask:
                return ListingAnswer::Ask;
            case ListingVerdict::Descend:
                folder = FolderBelow(folder, name);
                break;
        }
    }
    return ListingAnswer::Ask;
}

std::size_t ListingCache::listings() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return listings_;
}

}  // namespace tarn
