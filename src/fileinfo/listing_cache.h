#pragma once

#include "fileinfo/folder_listing.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarn {

// One scan's folder listings. A folder is listed once the resolver's walks have reached it a few
// times: the many command texts of a big machine that name no file are then answered from its
// listing instead of by one question to the file system each, while a folder met once or twice
// costs what it did. Like every answer of a scan's cache, a listing holds for the scan.
class ListingCache {
public:
    // True only where a listing shows that nothing can exist at the path.
    bool ShowsAbsent(const std::wstring& path);
    // How many folders were listed, and how many paths their listings showed absent.
    std::size_t listings() const;
    std::size_t absences() const;

private:
    struct Folder {
        int visits = 0;
        std::once_flag once;
        std::optional<FolderListing> listing;
    };
    // The folder's listing, or null while it is not worth listing or cannot be listed whole.
    const FolderListing* ListingOf(const std::wstring& folder);

    mutable std::mutex mutex_;
    std::map<std::wstring, std::shared_ptr<Folder>> folders_;
    std::size_t listings_ = 0;
    std::size_t absences_ = 0;
};

// Every name in the folder; nothing when the folder cannot be listed whole.
std::optional<FolderListing> ListFolder(const std::wstring& folder);

}  // namespace tarn
