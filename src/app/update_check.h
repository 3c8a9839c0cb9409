#pragma once

// The update check: the maker's updater run once at start-up on a thread of its own, its answer
// handed to the main window; and the maker's pages opened in the browser.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tarn {

// Updater exit codes.
constexpr DWORD kUpdateWaiting = 100;
constexpr DWORD kUpdateOpenPageNow = 101;

// The main window as the update thread may reach it. The window detaches it when it goes, so the
// thread never posts to a window that is gone, nor to another that was given its handle.
class UpdateTarget {
public:
    explicit UpdateTarget(HWND window) : window_(window) {}
    void Detach();
    bool Post(UINT message, WPARAM wParam, LPARAM lParam);

private:
    std::mutex mutex_;
    HWND window_;
};

// Runs the updater that sits beside the program (never one found by searching) with its command
// line, and waits for it to end; only an updater signed by the very certificate that signed the
// program is started. 1 when it ran, with its exit code; 0 when it did not.
int32_t RunUpdater(const std::wstring& modulePath, DWORD& exitCode);

// Starts the update-check thread; it runs the updater and posts WM_TARN_UPDATE_RESULT to the target.
bool StartUpdateCheck(std::shared_ptr<UpdateTarget> target);

// The maker's update page in the system's browser. Failures are not reported.
void OpenUpdatePage();

// The maker's site in the browser below the program-files folder. Failures are not reported.
void OpenSite();

}  // namespace tarn
