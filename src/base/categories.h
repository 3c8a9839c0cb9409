#pragma once

// The tab numbers (kLogonTab, ...) and kCategoryCount are made from the category table at build
// time: the table is the one list of categories.
#include "category_tabs.h"

#include <cstddef>
#include <cstdint>

namespace tarn {

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
