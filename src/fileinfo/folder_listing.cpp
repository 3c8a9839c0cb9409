#include "fileinfo/folder_listing.h"

#include <algorithm>
#include <array>

namespace tarn {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// "X:\" or "X:/".
bool StartsWithDriveRoot(const std::wstring& path) {
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]);
}

bool OnlyDotsAndBlanks(const std::wstring& name) {
    return name.find_first_not_of(L". ") == std::wstring::npos;
}

std::wstring WithoutTrailingDotsAndBlanks(std::wstring name) {
    name.erase(name.find_last_not_of(L". ") + 1);
    return name;
}

// Windows drops a last name's trailing dots and blanks; for names above it the walk cannot tell
// whether it does, so both spellings count as the same name.
std::wstring KeyOf(const std::wstring& name) {
    std::wstring key = WithoutTrailingDotsAndBlanks(name);
    for (wchar_t& c : key) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return key;
}

bool IsAscii(const std::wstring& key) {
    return std::all_of(key.begin(), key.end(), [](wchar_t c) { return c < 0x80; });
}

// Letters beyond ASCII may fold onto ASCII ones in a file system's table (dotless i onto I):
// such a position matches anything.
bool LooselySame(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k] != b[k] && a[k] < 0x80 && b[k] < 0x80) {
            return false;
        }
    }
    return true;
}

// Device names as the system finds them ("nul", "NUL .txt"), and more ("nul x").
bool IsDeviceName(const std::wstring& name) {
    const std::wstring base = KeyOf(name.substr(0, name.find_first_of(L". :")));
    static const std::array<const wchar_t*, 7> devices = {L"con",    L"prn",     L"aux",   L"nul",
                                                          L"conin$", L"conout$", L"clock$"};
    if (std::any_of(devices.begin(), devices.end(), [&](const wchar_t* device) { return base == device; })) {
        return true;
    }
    // COM0 to COM9 and LPT0 to LPT9, also with superscript digits.
    return base.size() == 4 && (base.compare(0, 3, L"com") == 0 || base.compare(0, 3, L"lpt") == 0) &&
           ((base[3] >= L'0' && base[3] <= L'9') || base[3] >= 0x80);
}

bool ListingCannotSpeakFor(const std::wstring& name) {
    const bool odd = std::any_of(name.begin(), name.end(), [](wchar_t c) {
        return c < 0x20 || c == L':' || c == L'~' || c == L'?' || c == L'*' || c == L'<' || c == L'>' || c == L'"' ||
               c == L'|';
    });
    return odd || OnlyDotsAndBlanks(name) || IsDeviceName(name);
}

}  // namespace

std::wstring FolderBelow(const std::wstring& folder, const std::wstring& name) {
    return !folder.empty() && IsSeparator(folder.back()) ? folder + name : folder + L"\\" + name;
}

std::optional<ListingWalk> PlanListingWalk(const std::wstring& path, const std::wstring& currentFolder) {
    std::wstring root;
    std::size_t start = 0;
    if (StartsWithDriveRoot(path)) {
        root = path.substr(0, 3);
        start = 3;
    } else if (path.empty() || IsSeparator(path[0]) || (path.size() > 1 && path[1] == L':') ||
               !StartsWithDriveRoot(currentFolder)) {
        return std::nullopt;
    } else {
        root = currentFolder;
        while (root.size() > 3 && IsSeparator(root.back())) {
            root.pop_back();
        }
    }
    std::vector<std::wstring> names(1);
    for (std::size_t k = start; k < path.size(); ++k) {
        if (IsSeparator(path[k])) {
            names.emplace_back();
        } else {
            names.back().push_back(path[k]);
        }
    }
    const auto blank = std::find_if(names.begin(), names.end(),
                                    [](const std::wstring& name) { return name.find(L' ') != std::wstring::npos; });
    if (blank == names.end() || std::any_of(blank, names.end(), [](const std::wstring& name) {
            return !name.empty() && OnlyDotsAndBlanks(name);
        })) {
        return std::nullopt;
    }
    ListingWalk walk{root, {}};
    for (auto name = names.begin(); name != blank; ++name) {
        walk.folder = FolderBelow(walk.folder, *name);
    }
    walk.names.assign(blank, names.end());
    return walk;
}

void FolderListing::AddKey(const std::wstring& name, bool plainFile) {
    const std::wstring key = KeyOf(name);
    if (IsAscii(key)) {
        Matches& matches = ascii_[key];
        (plainFile ? matches.plainFile : matches.other) = true;
    } else {
        others_.emplace_back(key, plainFile);
    }
}

void FolderListing::Add(const std::wstring& name, const std::wstring& shortName, bool plainFile) {
    if (name == L"." || name == L"..") {
        return;
    }
    AddKey(name, plainFile);
    if (!shortName.empty()) {
        AddKey(shortName, plainFile);
    }
}

ListingVerdict FolderListing::Look(const std::wstring& name, bool last) const {
    if (ListingCannotSpeakFor(name)) {
        return ListingVerdict::Ask;
    }
    const std::wstring key = KeyOf(name);
    Matches found;
    const auto note = [&found](const Matches& matches) {
        found.plainFile = found.plainFile || matches.plainFile;
        found.other = found.other || matches.other;
    };
    if (IsAscii(key)) {
        const auto hit = ascii_.find(key);
        if (hit != ascii_.end()) {
            note(hit->second);
        }
    } else {
        for (const auto& [listed, matches] : ascii_) {
            if (LooselySame(key, listed)) {
                note(matches);
            }
        }
    }
    for (const auto& [listed, plainFile] : others_) {
        if (LooselySame(key, listed)) {
            note(Matches{plainFile, !plainFile});
        }
    }
    if (!found.plainFile && !found.other) {
        return ListingVerdict::NoSuchName;
    }
    if (last) {
        return ListingVerdict::Ask;
    }
    // Below a file there is nothing (a stream's name would hold a colon).
    return found.other ? ListingVerdict::Descend : ListingVerdict::UnderAFile;
}

}  // namespace tarn
