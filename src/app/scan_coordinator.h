#pragma once

#include "app/categories.h"
#include "app/enumerators.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace tarn {

// The private message the coordinator sends each page, in tab order: wParam is the number of
// scans completed before this one, lParam 0.
constexpr UINT kScanMessages[kCategoryCount] = {0x2400, 0x3400, 0x4400, 0x5400, 0x6400, 0x7400, 0x8400,
                                                0x9400, 0xA400, 0xB400, 0x500,  0x600,  0x700,  0x800};

// The details message a page sends the main window: lParam points at the entry.
constexpr UINT kShowDetailsMessage = 0x1400;

// The refresh button of the main window, which the coordinator disables for a whole scan.
constexpr int kRefreshButtonId = 1003;

// The coordinator's process-wide state.
struct ScanControl {
    std::atomic<HANDLE> coordinatorThread{nullptr};
    std::atomic<int32_t> completedScans{0};
    // Set before a scan starts, cleared when the program asks every scanning thread to stop;
    // the threads look at it between categories and between rows.
    std::atomic<int32_t> stop{1};
    EnumeratorSet enumerators;

    // Slot 0: the coordinator thread; slot k+1: the fill thread of the page of tab k.
    std::array<unique_handle, kCategoryCount + 1> threads;
    std::array<unique_handle, kCategoryCount> pageDone;
    unique_handle startEvent;
    std::array<std::atomic<HWND>, kCategoryCount> pageWindows{};
    std::atomic<HWND> mainWindow{nullptr};
    // A page that is busy (from the start of a scan to the end of its own fill) ignores clicks
    // and commands: its rows and its category's entries do not correspond meanwhile.
    std::array<std::atomic<bool>, kCategoryCount> pageBusy{};

    // Moments of the scan that the benchmark reads: enumeration and fill ends of the last scan.
    std::atomic<uint64_t> enumerationTicks{0};
    std::atomic<uint64_t> scanTicks{0};
    // How long each page's fill of the last scan took, in milliseconds.
    std::array<std::atomic<uint64_t>, kCategoryCount> fillTicks{};
    // The performance-counter moment the pages were told to fill: every page's rows are paced
    // from it, so that telling the pages and starting their threads happens within the pacing.
    std::atomic<int64_t> fillsBegan{0};
    // Prepares signature verification while the window is being made (process start to end).
    unique_handle warmUpThread;
};

ScanControl& Scan();

// Verifier, enumerators, counters: once per process, before any window exists.
void InitScanCoordinator();
// The opposite, at process end. Enumerators still used by a thread that has not ended are left
// alone: destroying them under it would be worse than keeping them.
void ShutdownScanCoordinator();

void CreateScanEvents();
void StartScan();
void CloseScanHandles();
// Asks every scanning thread to stop and waits for each at most 80 ms, dispatching the messages
// they send the windows meanwhile; threads that have ended leave the table.
void StopScanThreads();

// Whether a page is to ignore clicks and commands now.
bool PageIsBusy(std::size_t tab);

}  // namespace tarn
