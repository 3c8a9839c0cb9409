#pragma once

#include "base/autorun_entry.h"

namespace tarn {

// What a page does with an entry before it shows it: an existing file gets its signature text
// (when `verify` is set); a missing file makes the entry state 18 with size 0. Returns whether
// the file exists. An entry that starts no file keeps its state and has none.
bool CheckEntryFile(AutoRunEntry& entry, bool verify);

}  // namespace tarn
