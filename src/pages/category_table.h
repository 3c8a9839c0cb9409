#pragma once

// The fourteen categories, one row each: everything that sets one category apart from the
// others, from its tab to the enumerator that lists it. A new category is one row here plus its
// enumerator.

#include "base/categories.h"
#include "pages/entry_commands.h"
#include "pages/page_traits.h"

#include <array>
#include <memory>

namespace tarn {

class CTarnAutoRunBase;
class EntryFiles;

using EnumeratorFactory = std::unique_ptr<CTarnAutoRunBase> (*)(EntryFiles& files);

struct CategoryRow {
    const wchar_t* caption;
    int iconId;
    // The message the scan coordinator sends the page when it may fill.
    unsigned scanMessage;
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

}  // namespace tarn
