#pragma once

#include "pages/row_texts.h"

namespace tarn {

// What sets one category page apart from the others while it fills.
struct PageTraits {
    ColumnSet columns;
    // Whether the fill verifies each file's signature.
    bool verifiesSignatures;
    // Pause after each row, in milliseconds.
    unsigned pauseMs;
    // Whether the page window is redrawn after each row.
    bool redrawsEachRow;
};

}  // namespace tarn
