#pragma once

#include "base/autorun_entry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarn {

// The result list of one category: owned entries in the order they were found.
struct CategoryResults {
    std::vector<std::unique_ptr<AutoRunEntry>> entries;
    // The record being built; moved into `entries` when added, discarded otherwise.
    std::unique_ptr<AutoRunEntry> current;
    // 0 while live registrations are read, 1 while a disabled-entry store is read.
    int32_t pass = 0;
    // The `location` of the key being read, copied into each record when it is added.
    std::wstring locationText;
    // The places that could not be read in the last enumeration, each as "place: why"; what
    // could be read is listed all the same.
    std::vector<std::wstring> unreadable;
};

// Items of one list value as split during a scan, with the image paths of the entries added
// from them in the order added.
struct ListValueRecords {
    std::vector<ListItem> items;
    std::vector<std::wstring> paths;
};

}  // namespace tarn
