#include "app/scan_coordinator.h"

#include "fileinfo/file_facts_cache.h"
#include "fileinfo/trust_warmup.h"
#include "model/service_walk.h"
#include "pages/page_traits.h"

#include "fileinfo/signature.h"

namespace tarn {

namespace {

constexpr DWORD kStopWaitMs = 80;
// At process end a thread still inside one category's enumeration is waited for this long.
constexpr DWORD kShutdownWaitMs = 10000;

uint64_t Now() {
    return ::GetTickCount64();
}

void EnableRefresh(bool enable) {
    const HWND main = Scan().mainWindow.load();
    if (main != nullptr && ::IsWindow(main)) {
        ::EnableWindow(::GetDlgItem(main, kRefreshButtonId), enable ? TRUE : FALSE);
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

bool Stopping() {
    return Scan().stop.load() != 0;
}

DWORD WINAPI CoordinatorThread(void* argument) {
    ScanControl& control = *static_cast<ScanControl*>(argument);
    EnableRefresh(false);
    if (Stopping()) {
        return 0;
    }
    const uint64_t started = Now();
    // Entries of one file, in every category and page, share what is read of it in this scan.
    const FileFactsScope fileFacts;
    const ServiceWalkScope serviceWalk;
    for (auto& busy : control.pageBusy) {
        busy = true;
    }
    if (control.completedScans.load() != 0) {
        for (auto& enumerator : control.enumerators) {
            if (enumerator) {
                enumerator->ClearResults();
            }
        }
    }
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        if (Stopping()) {
            return 0;
        }
        if (control.enumerators[k]) {
            control.enumerators[k]->Enumerate();
            // Icons and signatures are most of a page's fill: they start now, beside the
            // enumerations still to come, instead of when the pages begin to fill.
            fileFacts.object().Prefetch(ImagePaths(control.enumerators[k]->results()),
                                       kPageTraits[k].verifiesSignatures);
        }
    }
    // What the cache's thread has not begun, the pages read in their own pauses: that thread
    // would otherwise compete with the window's thread while the rows go in.
    fileFacts.object().DropPrefetches();
    control.enumerationTicks = Now() - started;
    LARGE_INTEGER fillsBegan = {};
    ::QueryPerformanceCounter(&fillsBegan);
    control.fillsBegan = fillsBegan.QuadPart;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        const HWND page = control.pageWindows[k].load();
        if (Stopping()) {
            return 0;
        }
        if (page != nullptr) {
            ::SendMessageW(page, kScanMessages[k], static_cast<WPARAM>(control.completedScans.load()), 0);
        } else if (control.pageDone[k]) {
            ::SetEvent(control.pageDone[k].get());  // no page to fill
        }
    }
    ::SetEvent(control.startEvent.get());
    std::array<HANDLE, kCategoryCount> done{};
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        done[k] = control.pageDone[k].get();
    }
    ::WaitForMultipleObjects(static_cast<DWORD>(done.size()), done.data(), TRUE, INFINITE);
    control.scanTicks = Now() - started;
    if (Stopping()) {
        return 0;
    }
    EnableRefresh(true);
    ++control.completedScans;
    return 0;
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
    control.stop = 1;
    control.enumerators = CreateEnumerators();
}

void ShutdownScanCoordinator() {
    ScanControl& control = Scan();
    control.stop = 1;
    if (control.startEvent) {
        ::SetEvent(control.startEvent.get());
    }
    bool allEnded = true;
    for (auto& thread : control.threads) {
        if (thread && ::WaitForSingleObject(thread.get(), kShutdownWaitMs) != WAIT_OBJECT_0) {
            allEnded = false;
        }
    }
    if (control.warmUpThread && ::WaitForSingleObject(control.warmUpThread.get(), kShutdownWaitMs) != WAIT_OBJECT_0) {
        allEnded = false;
    }
    ReleaseSignatureVerifier();
    if (!allEnded) {
        return;
    }
    CloseScanHandles();
    for (auto& enumerator : control.enumerators) {
        enumerator.reset();
    }
}

void CreateScanEvents() {
    ScanControl& control = Scan();
    control.startEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    for (auto& event : control.pageDone) {
        event.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
}

void StartScan() {
    ScanControl& control = Scan();
    control.stop = 0;
    const HANDLE thread = ::CreateThread(nullptr, 0, CoordinatorThread, &control, 0, nullptr);
    control.coordinatorThread = thread;
    if (thread != nullptr) {
        control.threads[0].reset(thread);
    }
}

void CloseScanHandles() {
    ScanControl& control = Scan();
    for (auto& thread : control.threads) {
        thread.reset();
    }
    for (auto& event : control.pageDone) {
        event.reset();
    }
    control.startEvent.reset();
    control.coordinatorThread = nullptr;
}

void StopScanThreads() {
    ScanControl& control = Scan();
    control.stop = 1;
    // Fill threads still waiting for the start see the flag at once.
    if (control.startEvent) {
        ::SetEvent(control.startEvent.get());
    }
    for (auto& thread : control.threads) {
        if (thread && WaitDispatchingSentMessages(thread.get(), kStopWaitMs)) {
            thread.reset();
        }
    }
}

bool PageIsBusy(std::size_t tab) {
    return tab >= kCategoryCount || Scan().pageBusy[tab].load();
}

}  // namespace tarn
