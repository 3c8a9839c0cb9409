#include "app/update_check.h"

#include "app/maker.h"
#include "app/updater_command.h"
#include "fileinfo/signature.h"
#include "resource_ids.h"
#include "win/unique_handle.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

namespace tarn {

namespace {

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    // A path that filled the buffer may have been cut: no path rather than a wrong one.
    if (length == 0 || length >= buffer.size()) {
        return {};
    }
    return std::wstring(buffer.data(), length);
}

// Starts a program; the handles of a started process, else nothing.
bool Start(const wchar_t* program, std::wstring commandLine, PROCESS_INFORMATION& started) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return ::CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &started) != FALSE;
}

DWORD WINAPI UpdateCheckThread(LPVOID parameter) {
    const std::unique_ptr<std::shared_ptr<UpdateTarget>> target(static_cast<std::shared_ptr<UpdateTarget>*>(parameter));
    DWORD exitCode = 0;
    if (RunUpdater(ModulePath(), exitCode) == 0) {
        return 0;
    }
    (*target)->Post(WM_TARN_UPDATE_RESULT, exitCode, 0);
    return 0;
}

}  // namespace

void UpdateTarget::Detach() {
    const std::lock_guard<std::mutex> lock(mutex_);
    window_ = nullptr;
}

bool UpdateTarget::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return window_ != nullptr && ::PostMessageW(window_, message, wParam, lParam) != FALSE;
}

int32_t RunUpdater(const std::wstring& modulePath, DWORD& exitCode) {
    const auto updater = UpdaterPathBeside(modulePath);
    const auto commandLine = UpdaterCommandLine(modulePath);
    // The program runs with an administrator's rights, often from a folder anyone can write to: a
    // file named like the updater there runs only when it is signed as the program itself is.
    if (!updater || !commandLine || !SignedAlike(updater->c_str(), modulePath.c_str())) {
        return 0;
    }
    PROCESS_INFORMATION started = {};
    if (!Start(updater->c_str(), *commandLine, started)) {
        return 0;
    }
    const unique_handle process(started.hProcess);
    const unique_handle thread(started.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    if (!::GetExitCodeProcess(process.get(), &exitCode)) {
        return 0;
    }
    return 1;
}

bool StartUpdateCheck(std::shared_ptr<UpdateTarget> target) {
    auto parameter = std::make_unique<std::shared_ptr<UpdateTarget>>(std::move(target));
    const HANDLE thread = ::CreateThread(nullptr, 0, UpdateCheckThread, parameter.get(), 0, nullptr);
    if (thread == nullptr) {
        return false;
    }
    // The thread owns its parameter now; it is not waited for.
    parameter.release();
    ::CloseHandle(thread);
    return true;
}

void OpenUpdatePage() {
    ::ShellExecuteW(nullptr, L"open", kUpdatePage, nullptr, nullptr, SW_SHOW);
}

void OpenSite() {
    wchar_t programFiles[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE)) {
        return;
    }
    const auto commandLine = SiteBrowserCommandLine(programFiles, kSiteAddress);
    if (!commandLine) {
        return;
    }
    PROCESS_INFORMATION started = {};
    if (Start(nullptr, *commandLine, started)) {
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
    }
}

}  // namespace tarn
