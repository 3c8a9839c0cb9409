// Measures the main window's first scan on the machine of the prefix it runs in: the time from
// start to all pages done, split into enumeration and fill, the fill against its pacing floor
// (the paced pages' pause after each row), and how long the window's thread left a message
// unanswered meanwhile (a WM_NULL sent from another thread every 50 ms). With a row count it first
// adds that many Run values of its own (removed again at the end). Then the time the first tab
// takes to show the rows a filter keeps, and all of them again. Run it on a display.
// usage: tarnbench_window [rows]
#include "app/bramble_dlg.h"
#include "app/scan_coordinator.h"
#include "pages/category_table.h"
#include "resource_ids.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring RowName(int k) {
    return L"TarnBenchRow " + std::to_wstring(k);
}

// Run values whose files exist: a handful of files, so that the shell's icons stay few.
void SeedRows(int rows) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    HKEY run = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &run, nullptr);
    for (int k = 0; k < rows; ++k) {
        const std::wstring data = L"\"" + std::wstring(self) + L"\" /row " + std::to_wstring(k);
        ::RegSetValueExW(run, RowName(k).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(run);
}

void RemoveRows(int rows) {
    HKEY run = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
        for (int k = 0; k < rows; ++k) {
            ::RegDeleteValueW(run, RowName(k).c_str());
        }
        ::RegCloseKey(run);
    }
}

// Sends WM_NULL to the window every 50 ms while the pages fill, until stopped; keeps how long
// each took to be answered.
class ResponseProbe {
public:
    explicit ResponseProbe(const std::atomic<HWND>& window) {
        thread_ = std::thread([this, &window] {
            LARGE_INTEGER frequency = {};
            ::QueryPerformanceFrequency(&frequency);
            while (!stop_.load()) {
                const HWND target = window.load();
                if (target != nullptr && tarn::Scan().signals.fillsBegan.load() != 0) {
                    LARGE_INTEGER begin = {}, end = {};
                    ::QueryPerformanceCounter(&begin);
                    DWORD_PTR ignored = 0;
                    ::SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
                    ::QueryPerformanceCounter(&end);
                    waits_.push_back(static_cast<double>(end.QuadPart - begin.QuadPart) * 1000.0 /
                                     static_cast<double>(frequency.QuadPart));
                }
                ::Sleep(50);
            }
        });
    }
    // The longest wait and the 99th percentile, in ms.
    std::pair<double, double> Stop() {
        stop_ = true;
        thread_.join();
        std::sort(waits_.begin(), waits_.end());
        if (waits_.empty()) {
            return {0, 0};
        }
        return {waits_.back(), waits_[waits_.size() * 99 / 100]};
    }
    std::size_t count() const { return waits_.size(); }

private:
    std::atomic<bool> stop_{false};
    std::vector<double> waits_;
    std::thread thread_;
};

int Measure() {
    using namespace tarn;
    InitScanCoordinator();
    const ULONGLONG started = ::GetTickCount64();
    CBrambleDlg dialog(::GetModuleHandleW(nullptr));
    std::atomic<HWND> shown{nullptr};
    std::thread ui([&] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
        ::InitCommonControlsEx(&controls);
        dialog.RunModal(::GetModuleHandleW(nullptr), IDD_MAIN, nullptr);
    });
    while (dialog.window() == nullptr) {
        ::Sleep(5);
    }
    shown = dialog.window();
    ResponseProbe probe(shown);
    while (Scan().completedScans.load() < 1) {
        ::Sleep(5);
    }
    const auto [longest, p99] = probe.Stop();
    const double total = static_cast<double>(::GetTickCount64() - started) / 1000.0;
    const double enumeration = static_cast<double>(Scan().timings.enumerationMs.load()) / 1000.0;
    const double fill = static_cast<double>(Scan().timings.scanMs.load()) / 1000.0 - enumeration;
    // The pages fill side by side: the slowest paced page sets the floor.
    double floor = 0;
    std::size_t pacedRows = 0;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        const PageTraits& traits = CategoryTable()[k].page;
        const std::size_t rows = dialog.page(k).entries().size();
        if (traits.pauseMs != 0) {
            pacedRows += rows;
            floor = std::max(floor, static_cast<double>(rows * traits.pauseMs) / 1000.0);
        }
    }
    std::printf(
        "window bench: first scan %.2f s from start to all pages done: enumeration and file checks %.2f s, fill %.2f s "
        "against a pacing floor of %.2f s (%zu paced rows, longest page %.0f rows), fill work %.2f s (%.1f%%) "
        "above the floor\n",
        total, enumeration, fill, floor, pacedRows, floor / 0.02, fill - floor,
        floor > 0 ? 100.0 * (fill - floor) / floor : 0.0);
    std::printf(
        "window bench: the window's thread answered %zu probes, longest wait %.1f ms, 99th percentile %.1f ms\n",
        probe.count(), longest, p99);
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        const std::size_t rows = dialog.page(k).entries().size();
        const PageTraits& traits = CategoryTable()[k].page;
        std::printf("  tab %2zu: %6zu rows, fill %.2f s, floor %.2f s\n", k, rows,
                    static_cast<double>(Scan().timings.fillMs[k].load()) / 1000.0,
                    static_cast<double>(rows * traits.pauseMs) / 1000.0);
    }
    // The filter box on the first tab: a text typed at once (the rows kept are made again on the
    // window's thread before the box's change is answered), then cleared.
    const HWND box = dialog.page(0).filterBox();
    for (const wchar_t* text : {L"TarnBenchRow 1", L""}) {
        const ULONGLONG began = ::GetTickCount64();
        ::SetWindowTextW(box, text);
        std::printf("window bench: filter \"%ls\" keeps %d rows of the first tab, made in %.2f s\n", text,
                    static_cast<int>(::SendMessageW(dialog.page(0).listView(), LVM_GETITEMCOUNT, 0, 0)),
                    static_cast<double>(::GetTickCount64() - began) / 1000.0);
    }
    ::PostMessageW(dialog.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ui.join();
    ShutdownScanCoordinator();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rows = argc > 1 ? static_cast<int>(std::wcstol(argv[1], nullptr, 10)) : 0;
    SeedRows(rows);
    const int status = Measure();
    RemoveRows(rows);
    return status;
}
