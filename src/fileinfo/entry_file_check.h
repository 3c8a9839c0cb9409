#pragma once

#include "base/autorun_entry.h"
#include "model/category_results.h"

#include <memory>

namespace tarn {

class FileFactsCache;

// What the scan does with an entry once it is listed: an existing file gets its signature result
// (when `verify` is set); a missing file makes the entry state 18 with size 0. Returns whether the
// file exists. An entry that starts no file keeps its state and has none. Asks the scan's cache
// when there is one.
bool CheckEntryFile(AutoRunEntry& entry, bool verify);

// The same for every entry of a category's list.
void CheckEntryFiles(CategoryResults& results, bool verify);

}  // namespace tarn
