#pragma once

#include "fileinfo/file_facts_cache.h"
#include "model/category_results.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace tarn {

// What every page shares of the scans; made and owned by the scan coordinator.
struct ScanSignals {
    // 1 while no scan may run; set when the program asks every scanning thread to stop. The
    // threads look at it between categories and between rows.
    std::atomic<int32_t> stop{1};
    std::atomic<HWND> mainWindow{nullptr};
    // The performance-counter moment the pages were told to fill: every page's rows are paced
    // from it, so that telling the pages and starting their threads happens within the pacing.
    std::atomic<int64_t> fillsBegan{0};
};

// A page's part of one scan, complete when it is handed over: the category's list with every
// entry's file checked, what could not be read, and the scan's file cache (for the rows' icons).
// The page takes it over whole on the window's thread.
struct PageHandOff {
    CategoryResults results;
    std::shared_ptr<FileFactsCache> files;
};

// A page's own link to the scans, made and owned by the scan coordinator and handed to the page
// when it is made. The page reaches nothing else of the scan.
struct PageScanLink {
    ScanSignals* signals = nullptr;
    // The thread that makes the page's rows; it reads the page's list and changes nothing of it.
    unique_handle fillThread;
    // The page's window, stored by the page once it exists.
    std::atomic<HWND> window{nullptr};
    // How long the page's last fill took, in milliseconds, for the benchmarks.
    std::atomic<uint64_t>* fillMs = nullptr;
};

}  // namespace tarn
