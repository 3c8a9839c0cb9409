#pragma once

#include "pages/row_texts.h"

#include <cstddef>

namespace tarn {

// What sets one category page apart from the others while it fills.
struct PageTraits {
    std::size_t tab;
    ColumnSet columns;
    // Whether the fill verifies each file's signature.
    bool verifiesSignatures;
    // Pause after each row, in milliseconds.
    unsigned pauseMs;
    // Whether the page window is redrawn after each row.
    bool redrawsEachRow;
};

// The fourteen pages in tab order.
constexpr PageTraits kPageTraits[] = {
    {0, ColumnSet::Standard, true, 0, true},           // logon: no pause, redrawn
    {1, ColumnSet::Standard, true, 0, false},          // shell extensions: no pause
    {2, ColumnSet::Standard, true, 20, false},         // browser add-ons
    {3, ColumnSet::Standard, true, 20, false},         // scheduled tasks
    {4, ColumnSet::Standard, true, 20, false},         // services
    {5, ColumnSet::Standard, true, 20, true},          // drivers: redrawn, then the pause
    {6, ColumnSet::WithoutSignature, false, 20, false},  // image hijacks: five columns, no check
    {7, ColumnSet::Standard, true, 20, false},         // AppInit
    {8, ColumnSet::Standard, true, 20, false},         // known DLLs
    {9, ColumnSet::Standard, true, 20, false},         // Winlogon notification
    {10, ColumnSet::Standard, true, 20, false},        // Winsock
    {11, ColumnSet::Standard, true, 20, false},        // network providers
    {12, ColumnSet::Standard, true, 20, false},        // print monitors
    {13, ColumnSet::Standard, true, 20, false},        // shortcuts
};

}  // namespace tarn
