#pragma once

#include "model/category_results.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace tarn {

// What every page shares of a scan; made and owned by the scan coordinator.
struct ScanSignals {
    // 1 while no scan may run; set when the program asks every scanning thread to stop. The
    // threads look at it between categories and between rows.
    std::atomic<int32_t> stop{1};
    std::atomic<HWND> mainWindow{nullptr};
    // Set once every category is enumerated: the pages' fill threads wait for it.
    unique_handle startEvent;
    // The performance-counter moment the pages were told to fill: every page's rows are paced
    // from it, so that telling the pages and starting their threads happens within the pacing.
    std::atomic<int64_t> fillsBegan{0};
};

// A page's own part of the scan, made and owned by the scan coordinator and handed to the page
// when it is made. The page reaches nothing else of the scan.
struct PageScanLink {
    ScanSignals* signals = nullptr;
    // The category's result list; null for a category without an enumerator.
    CategoryResults* results = nullptr;
    // Set by the page when its fill has ended.
    unique_handle done;
    unique_handle fillThread;
    // The page's window, stored by the page once it exists.
    std::atomic<HWND> window{nullptr};
    // From the start of a scan to the end of the page's own fill the rows and the category's
    // entries do not correspond: the page ignores clicks and commands meanwhile.
    std::atomic<bool> busy{false};
    // How long the page's last fill took, in milliseconds, for the benchmarks.
    std::atomic<uint64_t>* fillMs = nullptr;
};

}  // namespace tarn
