#pragma once

#include "model/entry_files.h"

namespace tarn {

// This machine's files as the enumerators see them: commands resolved against its environment
// and disk, facts read from the files (through the scan's cache while a scan runs).
EntryFiles& MachineFiles();

}  // namespace tarn
