#pragma once

// The categories, one row each: everything that sets one category apart from the others, from
// its tab to the enumerator that lists it. The rows are the only list of categories: the tab
// numbers, the tab icons' resources and their drawings are made from them at build time
// (cmake/category-sources.sh). A new category is one row here plus its enumerator and tests.

#include "base/categories.h"
#include "pages/entry_commands.h"
#include "pages/page_traits.h"
#include "resource_ids.h"

#include <array>
#include <memory>

namespace tarn {

class CTarnAutoRunBase;
class EntryFiles;

using EnumeratorFactory = std::unique_ptr<CTarnAutoRunBase> (*)(EntryFiles& files);

struct CategoryRow {
    // The tab's name in code (k<name>Tab) and its icon among the build's Tango icons.
    const char* name;
    const char* tabIcon;
    const wchar_t* caption;
    // The MITRE ATT&CK technique of the category's places, where a place names none of its own.
    const wchar_t* technique;
    PageTraits page;
    MenuRules menu;
    const CommandTexts* texts;
    KindPlans plans;
    // Null where the program is built for the portable tests only.
    EnumeratorFactory makeEnumerator;
};

// The rows in tab order.
const std::array<CategoryRow, kCategoryCount>& CategoryTable();

// The row of a category number (tab index + 1); null for a number that names none.
const CategoryRow* CategoryRowOf(int32_t categoryId);

// The tab's icon resource and the message the scan coordinator sends its page when it may fill.
constexpr int TabIconId(std::size_t tab) {
    return IDI_TAB_FIRST + static_cast<int>(tab);
}
constexpr unsigned ScanMessageOf(std::size_t tab) {
    return WM_TARN_SCAN_FIRST + static_cast<unsigned>(tab);
}

}  // namespace tarn
