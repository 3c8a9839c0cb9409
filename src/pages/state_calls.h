#pragma once

#include "base/autorun_entry.h"
#include "pages/entry_commands.h"
#include "state/state_changes.h"

#include <cstdint>

namespace tarn {

// Runs one state-change call on an entry: its name from the field the call names, its other
// arguments from the entry as that operation always takes them. 0 for None and Ignored.
int32_t RunStateCall(CAutoRunStateChanges& changes, const StateCall& call, const AutoRunEntry& entry);

}  // namespace tarn
