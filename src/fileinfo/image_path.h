#pragma once

#include "base/autorun_entry.h"
#include "base/registry_view.h"

#include <string>

namespace tarn {

// Resolves a registered command text against this machine's environment and files. Returns 1
// and stores the path in `imagePath` (when an entry is given) on success; 0 otherwise, with the
// entry untouched. A registration of the 32-bit view resolves as a 32-bit process finds its files:
// its system folder is SysWOW64, its program folders are the (x86) ones.
int ResolveImagePath(AutoRunEntry* entry, const std::wstring& text, RegistryView view = RegistryView::Native);

}  // namespace tarn
