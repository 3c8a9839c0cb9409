#pragma once

#include "app/enumerators.h"
#include "base/categories.h"
#include "pages/category_pages.h"
#include "pages/page_scan_link.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace tarn {

// Moments of the last scan, for the benchmarks.
struct ScanTimings {
    // From the scan's start to the hand-over of its results, and to the end of every page's fill.
    std::atomic<uint64_t> enumerationMs{0};
    std::atomic<uint64_t> scanMs{0};
    // How long each page's fill took.
    std::array<std::atomic<uint64_t>, kCategoryCount> fillMs{};
};

// The coordinator's process-wide state: it owns the enumerators, the pages' links and every
// scanning thread. A scan's results belong to its thread until it hands each page its part.
struct ScanControl {
    std::atomic<int32_t> completedScans{0};
    ScanSignals signals;
    EnumeratorSet enumerators;
    // One per page, in tab order: what the page is given of the scans.
    PageLinks pages;
    unique_handle coordinatorThread;
    ScanTimings timings;
    // When the scan running now started (GetTickCount64).
    std::atomic<uint64_t> scanStartedMs{0};
    // Prepares signature verification while the window is being made (process start to end).
    unique_handle warmUpThread;
};

ScanControl& Scan();

// Verifier, enumerators, counters: once per process, before any window exists.
void InitScanCoordinator();
// The opposite, at process end. Enumerators still used by a thread that has not ended are left
// alone: destroying them under it would be worse than keeping them.
void ShutdownScanCoordinator();

// Starts a scan on a thread of its own: it enumerates every category into a result of its own,
// checks every entry's file, and hands each page its part on the page's thread. The scan has
// ended once every page has told the main window it filled (ScanPageFilled).
void StartScan();
// On the main window's thread, for each page that filled: true once the scan's last page has, when
// the scan is counted.
bool ScanPageFilled(std::size_t tab);
void CloseScanHandles();
// Asks every scanning thread to stop and waits for each at most 80 ms, dispatching the messages
// they send the windows meanwhile; threads that have ended leave the table.
void StopScanThreads();

}  // namespace tarn
