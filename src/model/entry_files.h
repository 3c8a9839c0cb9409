#pragma once

#include "base/autorun_entry.h"
#include "base/registry_view.h"

#include <optional>
#include <string>

namespace tarn {

// What the enumerators ask about the files their registrations name: which existing file a
// command text loads, and what that file says about itself. The enumerators read no file
// themselves; the program hands each one the machine's files when it makes it.
class EntryFiles {
public:
    EntryFiles() = default;
    virtual ~EntryFiles() = default;
    EntryFiles(const EntryFiles&) = delete;
    EntryFiles& operator=(const EntryFiles&) = delete;

    // The existing file a registered command text loads, as a process of the registration's view
    // finds it; nothing when there is none.
    virtual std::optional<std::wstring> ImageOf(const std::wstring& commandText, RegistryView view) = 0;
    // Description, company, size, time and version of the entry's image file, in that order.
    virtual void FillFacts(AutoRunEntry& entry) = 0;
};

}  // namespace tarn
