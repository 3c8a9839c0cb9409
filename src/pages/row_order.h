#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tarn {

// How a page's rows are ordered: by the scan (the category's own order), or by one column.
enum class SortDirection { ScanOrder, Ascending, Descending };
struct SortState {
    int column = -1;
    SortDirection direction = SortDirection::ScanOrder;
};

// After a click on a column's header: a new column sorts ascending, a second click on it
// descending, a third gives back the scan's order.
SortState NextSort(SortState current, int column);

// The rows in the state's order, as indices into `keys` (one per row, in the scan's order); rows
// whose keys compare equal keep the scan's order.
std::vector<std::size_t> SortedRows(const std::vector<std::wstring>& keys,
                                    SortDirection direction,
                                    const std::function<int(const std::wstring&, const std::wstring&)>& compare);

}  // namespace tarn
