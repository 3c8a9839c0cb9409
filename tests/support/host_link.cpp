#include "support/host_link.h"

#include <windows.h>

#include <string>

namespace tarn::test {

namespace {

// The Unix path Wine gives a Windows path; empty outside Wine.
std::string UnixPathOf(const std::wstring& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(path.c_str()) : nullptr;
    if (name == nullptr) {
        return {};
    }
    std::string copy(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return copy;
}

// Starts a host program from its Unix path on Wine's Z: drive; Wine does not wait for its end.
bool StartHostProgram(const wchar_t* program, std::wstring command) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(program, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

// Waits until the path is a link (or, with `gone`, is no more).
bool WaitForLink(const std::wstring& link, bool gone) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const DWORD attributes = ::GetFileAttributesW(link.c_str());
        const bool isLink = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (gone ? attributes == INVALID_FILE_ATTRIBUTES : isLink) {
            return true;
        }
        ::Sleep(50);
    }
    return false;
}

}  // namespace

bool RemoveHostLink(const std::wstring& link) {
    const std::string unixLink = UnixPathOf(link);
    return !unixLink.empty() &&
           StartHostProgram(L"Z:\\bin\\rm",
                            L"Z:\\bin\\rm -f \"" + std::wstring(unixLink.begin(), unixLink.end()) + L"\"") &&
           WaitForLink(link, true);
}

bool MakeHostDirectoryLink(const std::wstring& link, const std::wstring& target, std::string& why) {
    const std::string unixLink = UnixPathOf(link);
    const std::string unixTarget = UnixPathOf(target);
    if (unixLink.empty() || unixTarget.empty()) {
        why = "this system is not Wine: no host side to make a link from";
        return false;
    }
    const std::wstring command = L"Z:\\bin\\ln -s \"" + std::wstring(unixTarget.begin(), unixTarget.end()) + L"\" \"" +
                                 std::wstring(unixLink.begin(), unixLink.end()) + L"\"";
    if (!StartHostProgram(L"Z:\\bin\\ln", command)) {
        why = "the host's ln could not be started";
        return false;
    }
    if (!WaitForLink(link, false)) {
        why = "ln made no link Wine sees as one";
        return false;
    }
    return true;
}

}  // namespace tarn::test
