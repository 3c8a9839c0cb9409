#pragma once

#include "fileinfo/folder_listing.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarn {

// What a scan's folder listings say of a path.
enum class ListingAnswer {
    Ask,  // only the file system can tell
    // Its listing holds no such name; a file hidden from listings (as by a rootkit) would still
    // be there.
    Unlisted,
    // No folder can be where the path needs one: below a file, or at a name that ends in a blank
    // or a dot with more below (a command's arguments read as folders: "x.exe /a" as "x.exe \a"),
    // which the listing does not hold.
    NoSuchFolder,
};

// One scan's folder listings. A folder is listed once the resolver's walks have reached it a few
// times: the many command texts of a big machine that name no file are then answered from its
// listing instead of by one question to the file system each, while a folder met once or twice
// costs what it did. Like every answer of a scan's cache, a listing holds for the scan.
class ListingCache {
public:
    ListingAnswer Answer(const std::wstring& path);
    // How many folders were listed.
    std::size_t listings() const;

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
};

}  // namespace tarn
