#pragma once

#include "win/unique_handle.h"

#include <string>

namespace tarn {

// The shell's small icon of a file; none when the shell has none. Callers initialise COM first.
unique_hicon SmallShellIcon(const std::wstring& path);

}  // namespace tarn
