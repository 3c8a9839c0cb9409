#include "app/scan_coordinator.h"

#include "fileinfo/entry_file_check.h"
#include "fileinfo/file_facts_cache.h"
#include "fileinfo/signature.h"
#include "fileinfo/trust_warmup.h"
#include "model/service_walk.h"
#include "model/user_hives.h"
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

using HandOffs = std::array<PageHandOff, kCategoryCount>;

// Tells the window how far the scan has come.
void PostProgress(const ScanControl& control, std::size_t tab, std::size_t found) {
    if (const HWND window = control.signals.mainWindow.load()) {
        ::PostMessageW(window, WM_TARN_PROGRESS, tab, static_cast<LPARAM>(found));
    }
}

// Every category's list, in tab order, with every entry's file checked; false when stopped.
bool Enumerate(ScanControl& control, FileFactsCache& files, HandOffs& handOffs) {
    std::size_t found = 0;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        if (Stopping(control)) {
            return false;
        }
        if (CTarnAutoRunBase* enumerator = control.enumerators[k].get()) {
            PostProgress(control, k, found);
            enumerator->ClearResults();
            enumerator->Enumerate();
            handOffs[k].results = enumerator->TakeResults();
            found += handOffs[k].results.entries.size();
            // Icons and signatures start now on the cache's thread, beside the enumerations still
            // to come.
            files.Prefetch(ImagePaths(handOffs[k].results), CategoryTable()[k].page.verifiesSignatures);
        }
    }
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        if (Stopping(control)) {
            return false;
        }
        CheckEntryFiles(handOffs[k].results, CategoryTable()[k].page.verifiesSignatures);
    }
    PostProgress(control, kCategoryCount, found);
    // The icons the cache's thread has not begun, the pages read in their own pauses: that thread
    // would otherwise compete with the window's thread while the rows go in.
    files.DropPrefetches();
    return true;
}

DWORD WINAPI CoordinatorThread(void* argument) {
    ScanControl& control = *static_cast<ScanControl*>(argument);
    if (Stopping(control)) {
        return 0;
    }
    const uint64_t started = control.scanStartedMs.load();
    // Entries of one file, in every category and page, share what is read of it in this scan.
    const FileFactsScope fileFacts;
    const ServiceWalkScope serviceWalk;
    // Each other user's hive is opened once for every category, and closed (unloaded) at the end.
    const UserHivesScope userHives;
    HandOffs handOffs;
    if (!Enumerate(control, fileFacts.object(), handOffs)) {
        return 0;
    }
    control.timings.enumerationMs = Now() - started;
    LARGE_INTEGER fillsBegan = {};
    ::QueryPerformanceCounter(&fillsBegan);
    control.signals.fillsBegan = fillsBegan.QuadPart;
    // Each page takes its part on its own thread; a part no page took goes with this thread.
    const auto files = FileFactsScope::Current();
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        const HWND window = control.pages[k].window.load();
        if (Stopping(control)) {
            return 0;
        }
        handOffs[k].files = files;
        if (window != nullptr) {
            ::SendMessageW(window, ScanMessageOf(k), static_cast<WPARAM>(control.completedScans.load()),
                           reinterpret_cast<LPARAM>(&handOffs[k]));
        }
    }
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
        page.fillMs = &control.timings.fillMs[k];
    }
}

void ShutdownScanCoordinator() {
    ScanControl& control = Scan();
    control.signals.stop = 1;
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
        control.enumerators[k].reset();
    }
}

namespace {
// Pages that have not filled in the scan running now; only the main window's thread counts.
std::size_t pagesToFill = 0;
}  // namespace

void StartScan() {
    ScanControl& control = Scan();
    pagesToFill = kCategoryCount;
    control.scanStartedMs = Now();
    control.signals.stop = 0;
    control.coordinatorThread.reset(::CreateThread(nullptr, 0, CoordinatorThread, &control, 0, nullptr));
}

bool ScanPageFilled(std::size_t) {
    if (pagesToFill == 0 || --pagesToFill != 0) {
        return false;
    }
    ScanControl& control = Scan();
    control.timings.scanMs = Now() - control.scanStartedMs.load();
    ++control.completedScans;
    return true;
}

void CloseScanHandles() {
    ScanControl& control = Scan();
    ForEachScanThread(control, [](unique_handle& thread) { thread.reset(); });
}

void StopScanThreads() {
    ScanControl& control = Scan();
    control.signals.stop = 1;
    ForEachScanThread(control, [](unique_handle& thread) {
        if (thread && WaitDispatchingSentMessages(thread.get(), kStopWaitMs)) {
            thread.reset();
        }
    });
}

}  // namespace tarn
