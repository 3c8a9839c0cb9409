#include "pages/row_order.h"

#include <algorithm>
#include <numeric>

namespace tarn {

SortState NextSort(SortState current, int column) {
    if (current.column != column || current.direction == SortDirection::ScanOrder) {
        return {column, SortDirection::Ascending};
    }
    if (current.direction == SortDirection::Ascending) {
        return {column, SortDirection::Descending};
    }
    return {-1, SortDirection::ScanOrder};
}

std::vector<std::size_t> SortedRows(const std::vector<std::wstring>& keys,
                                    SortDirection direction,
                                    const std::function<int(const std::wstring&, const std::wstring&)>& compare) {
    std::vector<std::size_t> rows(keys.size());
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    if (direction == SortDirection::ScanOrder) {
        return rows;
    }
    const bool descending = direction == SortDirection::Descending;
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        const int order = compare(keys[a], keys[b]);
        return descending ? order > 0 : order < 0;
    });
    return rows;
}

}  // namespace tarn
