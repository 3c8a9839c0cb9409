#pragma once

#include "win/unique_handle.h"

#include <windows.h>

namespace tarn {

// Enables a privilege that the process's token holds but has not enabled, for the life of the
// scope; its former state comes back afterwards. `enabled()` is false when the token lacks it.
class ScopedPrivilege {
public:
    explicit ScopedPrivilege(const wchar_t* name);
    ~ScopedPrivilege();
    ScopedPrivilege(const ScopedPrivilege&) = delete;
    ScopedPrivilege& operator=(const ScopedPrivilege&) = delete;

    bool enabled() const { return enabled_; }

private:
    unique_handle token_;
    TOKEN_PRIVILEGES previous_ = {};
    bool enabled_ = false;
    bool changed_ = false;
};

}  // namespace tarn
