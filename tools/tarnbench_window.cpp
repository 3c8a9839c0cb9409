// Measures the main window's first scan on the machine of the prefix it runs in: the time from
// start to all pages done, split into enumeration and fill, and the fill against its pacing floor
// (20 ms after each row of the paced pages). Prints one line; run it on a display.
#include "app/bramble_dlg.h"
#include "app/scan_coordinator.h"
#include "pages/category_table.h"
#include "resource_ids.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <thread>

int wmain() {
    using namespace tarn;
    InitScanCoordinator();
    const ULONGLONG started = ::GetTickCount64();
    CBrambleDlg dialog(::GetModuleHandleW(nullptr));
    std::thread ui([&] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
        ::InitCommonControlsEx(&controls);
        dialog.RunModal(::GetModuleHandleW(nullptr), IDD_MAIN, nullptr);
    });
    while (Scan().completedScans.load() < 1) {
        ::Sleep(5);
    }
    const double total = static_cast<double>(::GetTickCount64() - started) / 1000.0;
    const double enumeration = static_cast<double>(Scan().timings.enumerationMs.load()) / 1000.0;
    const double fill = static_cast<double>(Scan().timings.scanMs.load()) / 1000.0 - enumeration;
    // The pages fill side by side: the slowest paced page sets the floor.
    double floor = 0;
    std::size_t pacedRows = 0;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        const PageTraits& traits = CategoryTable()[k].page;
        const std::size_t rows = Scan().enumerators[k]->results().entries.size();
        if (traits.pauseMs != 0) {
            pacedRows += rows;
            floor = std::max(floor, static_cast<double>(rows * traits.pauseMs) / 1000.0);
        }
    }
    std::printf(
        "window bench: first scan %.2f s from start to all pages done: enumeration %.2f s, fill %.2f s "
        "against a pacing floor of %.2f s (%zu paced rows, longest page %.0f rows), fill work %.2f s (%.1f%%) "
        "above the floor\n",
        total, enumeration, fill, floor, pacedRows, floor / 0.02, fill - floor,
        floor > 0 ? 100.0 * (fill - floor) / floor : 0.0);
    std::size_t slowest = 0;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        if (Scan().timings.fillMs[k].load() > Scan().timings.fillMs[slowest].load()) {
            slowest = k;
        }
    }
    std::printf("window bench: slowest page fill: tab %zu, %.2f s for %zu rows\n", slowest,
                static_cast<double>(Scan().timings.fillMs[slowest].load()) / 1000.0,
                Scan().enumerators[slowest]->results().entries.size());
    ::PostMessageW(dialog.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ui.join();
    ShutdownScanCoordinator();
    return 0;
}
