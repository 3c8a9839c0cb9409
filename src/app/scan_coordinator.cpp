#include "app/scan_coordinator.h"

#include "fileinfo/file_facts_cache.h"
#include "fileinfo/signature.h"
#include "fileinfo/trust_warmup.h"
#include "model/service_walk.h"
#include "pages/category_table.h"
#include "resource_ids.h"

namespace tarn {

namespace {

constexpr DWORD kStopWaitMs = 80;
// At process end a thread still inside one category's enumeration is waited for this long.
constexpr DWORD kShutdownWaitMs = 10000;

uint64_t Now() {
    return ::GetTickCount64();
}

void EnableRefresh(const ScanControl& control, bool enable) {
    const HWND main = control.signals.mainWindow.load();
    if (main != nullptr && ::IsWindow(main)) {
        ::EnableWindow(::GetDlgItem(main, IDC_REFRESH), enable ? TRUE : FALSE);
    }
}

std::vector<std::wstring> ImagePaths(const CategoryResults& results) {
    std::vector<std::wstring> paths;
    paths.reserve(results.entries.size());
    for (const auto& entry : results.entries) {
        paths.push_back(entry->imagePath);
    }
    return paths;
}

DWORD WINAPI WarmUpThread(void*) {
    WarmUpTrustVerification();
    return 0;
}

bool Stopping(const ScanControl& control) {
    return control.signals.stop.load() != 0;
}

DWORD WINAPI CoordinatorThread(void* argument) {
    ScanControl& control = *static_cast<ScanControl*>(argument);
    EnableRefresh(control, false);
    if (Stopping(control)) {
        return 0;
    }
    const uint64_t started = Now();
    // Entries of one file, in every category and page, share what is read of it in this scan.
    const FileFactsScope fileFacts;
    const ServiceWalkScope serviceWalk;
    for (PageScanLink& page : control.pages) {
        page.busy = true;
    }
    if (control.completedScans.load() != 0) {
        for (auto& enumerator : control.enumerators) {
            if (enumerator) {
                enumerator->ClearResults();
            }
        }
    }
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        if (Stopping(control)) {
            return 0;
        }
        if (control.enumerators[k]) {
            control.enumerators[k]->Enumerate();
            // Icons and signatures are most of a page's fill: they start now, beside the
            // enumerations still to come, instead of when the pages begin to fill.
            fileFacts.object().Prefetch(ImagePaths(control.enumerators[k]->results()),
                                        CategoryTable()[k].page.verifiesSignatures);
        }
    }
    // What the cache's thread has not begun, the pages read in their own pauses: that thread
    // would otherwise compete with the window's thread while the rows go in.
    fileFacts.object().DropPrefetches();
    control.timings.enumerationMs = Now() - started;
    LARGE_INTEGER fillsBegan = {};
    ::QueryPerformanceCounter(&fillsBegan);
    control.signals.fillsBegan = fillsBegan.QuadPart;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        PageScanLink& page = control.pages[k];
        const HWND window = page.window.load();
        if (Stopping(control)) {
            return 0;
        }
        if (window != nullptr) {
            ::SendMessageW(window, CategoryTable()[k].scanMessage, static_cast<WPARAM>(control.completedScans.load()),
                           0);
        } else if (page.done) {
            ::SetEvent(page.done.get());  // no page to fill
        }
    }
    ::SetEvent(control.signals.startEvent.get());
    std::array<HANDLE, kCategoryCount> done{};
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        done[k] = control.pages[k].done.get();
    }
    ::WaitForMultipleObjects(static_cast<DWORD>(done.size()), done.data(), TRUE, INFINITE);
    control.timings.scanMs = Now() - started;
    if (Stopping(control)) {
        return 0;
    }
    EnableRefresh(control, true);
    ++control.completedScans;
    return 0;
}

// Every scanning thread's slot: the coordinator's, then each page's fill thread.
template <typename Visit>
void ForEachScanThread(ScanControl& control, Visit visit) {
    visit(control.coordinatorThread);
    for (PageScanLink& page : control.pages) {
        visit(page.fillThread);
    }
}

// Waits for a thread while dispatching the messages other threads send this one's windows: the
// scanning threads send their pages messages, and would otherwise wait for this thread in turn.
bool WaitDispatchingSentMessages(HANDLE thread, DWORD milliseconds) {
    const uint64_t deadline = Now() + milliseconds;
    for (;;) {
        const uint64_t now = Now();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD result = ::MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            return true;
        }
        if (result != WAIT_OBJECT_0 + 1) {
            return false;
        }
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

ScanControl& Scan() {
    static ScanControl control;
    return control;
}

void InitScanCoordinator() {
    InitSignatureVerifier();
    ScanControl& control = Scan();
    // The first signed file's verification would otherwise hold up every page that shows it; the
    // preparation runs beside the window's creation, at a priority that leaves that first.
    control.warmUpThread.reset(::CreateThread(nullptr, 0, WarmUpThread, nullptr, 0, nullptr));
    if (control.warmUpThread) {
        ::SetThreadPriority(control.warmUpThread.get(), THREAD_PRIORITY_LOWEST);
    }
    control.completedScans = 0;
    control.signals.stop = 1;
    control.enumerators = CreateEnumerators();
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        PageScanLink& page = control.pages[k];
        page.signals = &control.signals;
        page.results = control.enumerators[k] ? &control.enumerators[k]->results() : nullptr;
        page.fillMs = &control.timings.fillMs[k];
    }
}

void ShutdownScanCoordinator() {
    ScanControl& control = Scan();
    control.signals.stop = 1;
    if (control.signals.startEvent) {
        ::SetEvent(control.signals.startEvent.get());
    }
    bool allEnded = true;
    ForEachScanThread(control, [&](unique_handle& thread) {
        if (thread && ::WaitForSingleObject(thread.get(), kShutdownWaitMs) != WAIT_OBJECT_0) {
            allEnded = false;
        }
    });
    if (control.warmUpThread && ::WaitForSingleObject(control.warmUpThread.get(), kShutdownWaitMs) != WAIT_OBJECT_0) {
        allEnded = false;
    }
    ReleaseSignatureVerifier();
    if (!allEnded) {
        return;
    }
    CloseScanHandles();
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        control.pages[k].results = nullptr;
        control.enumerators[k].reset();
    }
}

void CreateScanEvents() {
    ScanControl& control = Scan();
    control.signals.startEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    for (PageScanLink& page : control.pages) {
        page.done.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
}

void StartScan() {
    ScanControl& control = Scan();
    control.signals.stop = 0;
    control.coordinatorThread.reset(::CreateThread(nullptr, 0, CoordinatorThread, &control, 0, nullptr));
}

void CloseScanHandles() {
    ScanControl& control = Scan();
    ForEachScanThread(control, [](unique_handle& thread) { thread.reset(); });
    for (PageScanLink& page : control.pages) {
        page.done.reset();
    }
    control.signals.startEvent.reset();
}

void StopScanThreads() {
    ScanControl& control = Scan();
    control.signals.stop = 1;
    // Fill threads still waiting for the start see the flag at once.
    if (control.signals.startEvent) {
        ::SetEvent(control.signals.startEvent.get());
    }
    ForEachScanThread(control, [](unique_handle& thread) {
        if (thread && WaitDispatchingSentMessages(thread.get(), kStopWaitMs)) {
            thread.reset();
        }
    });
}

}  // namespace tarn
