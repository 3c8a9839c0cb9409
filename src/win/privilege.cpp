#include "win/privilege.h"

namespace tarn {

ScopedPrivilege::ScopedPrivilege(const wchar_t* name) {
    LUID luid = {};
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put()) ||
        !::LookupPrivilegeValueW(nullptr, name, &luid)) {
        return;
    }
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = luid;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    DWORD previousSize = sizeof previous_;
    // The call succeeds without enabling anything when the token lacks the privilege.
    if (!::AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof previous_, &previous_, &previousSize)) {
        return;
    }
    changed_ = true;
    enabled_ = ::GetLastError() == ERROR_SUCCESS;
}

ScopedPrivilege::~ScopedPrivilege() {
    if (changed_ && previous_.PrivilegeCount > 0) {
        ::AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
    }
}

}  // namespace tarn
