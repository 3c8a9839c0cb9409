#include "app/bramble_app.h"

#include "app/bramble_dlg.h"
#include "resource_ids.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace tarn {

namespace {

// The caption of the refusal: the program's base name.
std::wstring ApplicationName() {
    std::vector<wchar_t> path(MAX_PATH, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring name(path.data(), length < path.size() ? length : 0);
    name = name.substr(name.find_last_of(L"\\/") == std::wstring::npos ? 0 : name.find_last_of(L"\\/") + 1);
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

}  // namespace

bool RunsUnderWow64() {
    using IsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32");
    const auto query =
        kernel == nullptr
            ? nullptr
            : reinterpret_cast<IsWow64Process>(reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
    BOOL wow64 = FALSE;
    return query != nullptr && query(::GetCurrentProcess(), &wow64) && wow64;
}

BOOL CBrambleApp::InitInstance() {
    auto dialog = std::make_unique<CBrambleDlg>(instance_);
    // The link control needs its own class besides the Windows 95 ones.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    if (RunsUnderWow64()) {
        ::MessageBoxW(nullptr, kWow64RefusalText, ApplicationName().c_str(), MB_OK);
        return FALSE;
    }
    dialog->RunModal(instance_, IDD_MAIN, nullptr);
    return FALSE;
}

}  // namespace tarn
