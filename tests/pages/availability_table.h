#pragma once

// The context menu's availability as the user meets it, written out cell by cell: for each
// category and state, the six items in menu order (1 available, 0 greyed).

#include <cstdint>

namespace tarn::test {

struct AvailabilityCell {
    int32_t category;
    int32_t state;
    const char* items;
};

inline constexpr AvailabilityCell kAvailabilityTable[] = {
    {1, 16, "011111"},
    {1, 17, "101111"},
    {1, 18, "001100"},
    {2, 16, "011111"},
    {2, 17, "101111"},
    {2, 18, "001100"},
    {3, 16, "011111"},
    {3, 17, "101111"},
    {3, 18, "001100"},
    {4, 16, "011011"},
    {4, 17, "101011"},
    {4, 18, "001000"},
    {5, 16, "011111"},
    {5, 17, "101111"},
    {5, 18, "001100"},
    {6, 16, "011111"},
    {6, 17, "101111"},
    {6, 18, "001100"},
    {7, 16, "011111"},
    {7, 17, "101111"},
    {7, 18, "001100"},
    {8, 16, "011111"},
    {8, 17, "101111"},
    {8, 18, "001100"},
    {9, 16, "011111"},
    {9, 17, "101111"},
    {9, 18, "001100"},
    {10, 16, "011111"},
    {10, 17, "101111"},
    {10, 18, "001100"},
    {11, 16, "001111"},
    {11, 17, "001111"},
    {11, 18, "001100"},
    {12, 16, "000111"},
    {12, 17, "000111"},
    {12, 18, "001100"},
    {13, 16, "011111"},
    {13, 17, "101111"},
    {13, 18, "001100"},
    {14, 16, "001011"},
    {14, 17, "001011"},
    {14, 18, "001000"},
    {15, 16, "011111"},
    {15, 17, "101111"},
    {15, 18, "001100"},
    {16, 16, "011111"},
    {16, 17, "101111"},
    {16, 18, "001100"},
    {17, 16, "011111"},
    {17, 17, "101111"},
    {17, 18, "001100"},
    // A WMI binding is deleted, never switched, and lives in no registry key.
    {18, 16, "001011"},
    {18, 17, "001011"},
    {18, 18, "001000"},
    // Switched off by Windows' own startup switch: only that switch is turned back on.
    {1, 29, "101111"},
    {14, 29, "101011"},
};

// The items of a cell; nothing when the table has no such cell.
inline const char* ExpectedItems(int32_t category, int32_t state) {
    for (const AvailabilityCell& cell : kAvailabilityTable) {
        if (cell.category == category && cell.state == state) {
            return cell.items;
        }
    }
    return nullptr;
}

}  // namespace tarn::test
