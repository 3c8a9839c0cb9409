#pragma once

#include "pages/row_texts.h"

namespace tarn {

// What sets one category page apart from the others while it fills.
struct PageTraits {
    ColumnSet columns = ColumnSet::Standard;
    // Whether the scan verifies each file's signature for the page.
    bool verifiesSignatures = true;
    // Pause after each row, in milliseconds.
    unsigned pauseMs = 20;
    // Whether the page window is redrawn after each row.
    bool redrawsEachRow = false;
};

}  // namespace tarn
