#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarn {

// A path whose existence a folder listing may tell: the folder to list first, as the path spells
// it, and the names below it in order.
struct ListingWalk {
    std::wstring folder;
    std::vector<std::wstring> names;
};

// The walk for a path with a blank in one of its names (most often a command text with its
// arguments): it starts at the folder above the first such name. Nothing where only the file
// system can tell: no blank, a path that is not a drive's full path (a relative path starts in
// `currentFolder`, which must be one), or a "." or ".." below the folder, which would undo a name
// the walk looks at.
std::optional<ListingWalk> PlanListingWalk(const std::wstring& path, const std::wstring& currentFolder);

// The folder `name` names inside `folder`.
std::wstring FolderBelow(const std::wstring& folder, const std::wstring& name);

// What a listing says of the next name of a walk.
enum class ListingVerdict {
    NoSuchName,  // nothing by that name
    UnderAFile,  // only files by that name, and more names follow: nothing is below a file
    Descend,     // it may be a folder: look inside it
    Ask,         // only the file system can tell
};

// One folder's names as its listing gave them. Names match more loosely than any file system
// compares them (case of ASCII letters, trailing dots and blanks, and any other letter against
// any letter), so that "absent" is never said of a name the file system would find.
class FolderListing {
public:
    // `plainFile`: neither a folder nor a link of any kind.
    void Add(const std::wstring& name, const std::wstring& shortName, bool plainFile);
    // `last` when no name follows in the walk. A name with a character the listing cannot speak
    // for (a stream's colon, a wildcard, a short name's tilde, a control character) or a device
    // name is asked about.
    ListingVerdict Look(const std::wstring& name, bool last) const;

private:
    struct Matches {
        bool plainFile = false;
        bool other = false;
    };
    void AddKey(const std::wstring& name, bool plainFile);

    // By key: names of ASCII only.
    std::unordered_map<std::wstring, Matches> ascii_;
    // Keys holding other letters, compared one by one.
    std::vector<std::pair<std::wstring, bool>> others_;
};

}  // namespace tarn
