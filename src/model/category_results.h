#pragma once

#include "base/autorun_entry.h"

#include <memory>
#include <string>
#include <vector>

namespace tarn {

// The result list of one category: owned entries in the order they were found, and the places
// that could not be read, each as "place: why" (what could be read is listed all the same).
struct CategoryResults {
    std::vector<std::unique_ptr<AutoRunEntry>> entries;
    std::vector<std::wstring> unreadable;
};

// Items of one list value as split during a scan, with the image paths of the entries added
// from them in the order added.
struct ListValueRecords {
    std::vector<ListItem> items;
    std::vector<std::wstring> paths;
};

}  // namespace tarn
