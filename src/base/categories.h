#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn {

// The fourteen categories, one tab each, always in this order.
constexpr std::size_t kCategoryCount = 14;

enum CategoryTab : std::size_t {
    kLogonTab,
    kExplorerTab,
    kInternetTab,
    kTasksTab,
    kServicesTab,
    kDriversTab,
    kHijacksTab,
    kAppInitTab,
    kKnownDllsTab,
    kWinlogonTab,
    kWinsockTab,
    kNetworkTab,
    kPrintTab,
    kShortcutsTab,
};

// A category's number as the pages and their menus know it: its tab index + 1 (0 is "none yet").
constexpr int32_t CategoryIdOfTab(std::size_t tab) {
    return static_cast<int32_t>(tab + 1);
}

// The tab of a category number; kCategoryCount for a number that names no category.
constexpr std::size_t TabOfCategoryId(int32_t categoryId) {
    return categoryId >= 1 && categoryId <= static_cast<int32_t>(kCategoryCount)
               ? static_cast<std::size_t>(categoryId - 1)
               : kCategoryCount;
}

}  // namespace tarn
