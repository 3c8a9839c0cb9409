#pragma once

#include "base/categories.h"
#include "pages/autorun_page.h"

#include <array>
#include <memory>

namespace tarn {

using PageSet = std::array<std::unique_ptr<CAutoRunPage>, kCategoryCount>;
using PageLinks = std::array<PageScanLink, kCategoryCount>;

// One page per category, in tab order, each linked to its own part of the scans; a page is what
// its row of the category table makes it.
PageSet CreatePages(PageLinks& links);

}  // namespace tarn
