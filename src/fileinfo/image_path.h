#pragma once

#include "base/autorun_entry.h"

#include <string>

namespace tarn {

// Resolves a registered command text against this machine's environment and files. Returns 1
// and stores the path in `imagePath` (when an entry is given) on success; 0 otherwise, with the
// entry untouched.
int ResolveImagePath(AutoRunEntry* entry, const std::wstring& text);

}  // namespace tarn
