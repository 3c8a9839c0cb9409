#pragma once

#include "base/startup_approval.h"

#include <windows.h>

#include <map>
#include <string>

namespace tarn {

// The switch values of one of Windows' startup lists, read once for the entries it governs.
class StartupApprovals {
public:
    StartupApprovals() = default;
    // Reads the list `listName` below `root` (named `rootName` in key texts).
    StartupApprovals(HKEY root, const wchar_t* rootName, const wchar_t* listName);

    // The list's key text; empty for no list.
    const std::wstring& keyText() const { return keyText_; }
    // The switch of the entry named `name`, as the registry compares names.
    StartupApproval Of(const std::wstring& name) const;

private:
    std::wstring keyText_;
    std::map<std::wstring, StartupApproval> byName_;
};

}  // namespace tarn
