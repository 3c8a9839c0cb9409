// Feeds arbitrary command texts, environment values and sets of existing files to the resolver's
// rules and to the folder listings that answer for its candidates; the sanitizers watch memory,
// the checks below watch the results.
#include "fileinfo/folder_listing.h"
#include "fileinfo/image_path_rules.h"

#include "fuzz_input.h"

#include <algorithm>
#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto texts = tarn::fuzz::SplitTexts(data, size, 6);
    const std::wstring& command = texts[0];
    const std::set<std::wstring> existing{texts[4], texts[5]};
    const tarn::ImagePathEnvironment environment{
        [&](const wchar_t* name) {
            const std::wstring n(name);
            return n == L"systemroot" ? texts[1] : n == L"windir" ? texts[2] : texts[3];
        },
        [&](const std::wstring& path) { return existing.count(path) > 0; },
    };
    const auto resolved = tarn::ResolveImagePathText(command, environment);
    if (resolved && (resolved->empty() || existing.count(*resolved) == 0)) {
        std::abort();  // only an existing, non-empty path may be reported
    }

    // A walk names the whole path (below the current folder when relative), and a listing never
    // says that a name it holds is absent: a folder is looked into, anything else asked about.
    if (const auto walk = tarn::PlanListingWalk(command, texts[1])) {
        std::wstring joined = walk->folder;
        for (const auto& name : walk->names) {
            joined = tarn::FolderBelow(joined, name);
        }
        // Separators compare as the system reads them: either kind, runs as one.
        const auto normal = [](std::wstring path) {
            std::replace(path.begin(), path.end(), L'/', L'\\');
            path.erase(std::unique(path.begin(), path.end(), [](wchar_t a, wchar_t b) { return a == L'\\' && b == a; }),
                       path.end());
            return path;
        };
        const std::wstring spelled = normal(command);
        joined = normal(joined);
        const bool relative = command[1] != L':';
        if (walk->names.empty() || joined.size() < spelled.size() ||
            joined.compare(joined.size() - spelled.size(), std::wstring::npos, spelled) != 0 ||
            (!relative && joined != spelled)) {
            std::abort();
        }
    }
    if (texts[4] != L"." && texts[4] != L"..") {
        tarn::FolderListing listing;
        listing.Add(texts[4], texts[5], false);
        const auto descends = [&](const std::wstring& name) {
            const auto verdict = listing.Look(name, false);
            return verdict == tarn::ListingVerdict::Descend || verdict == tarn::ListingVerdict::Ask;
        };
        if (listing.Look(texts[4], true) != tarn::ListingVerdict::Ask || !descends(texts[4]) ||
            (!texts[5].empty() && !descends(texts[5]))) {
            std::abort();
        }
    }
    return 0;
}
