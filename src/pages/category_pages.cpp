#include "pages/category_pages.h"

namespace tarn {

PageSet CreatePages(PageLinks& links) {
    PageSet pages;
    for (std::size_t tab = 0; tab < kCategoryCount; ++tab) {
        pages[tab] = std::make_unique<CAutoRunPage>(tab, links[tab]);
    }
    return pages;
}

}  // namespace tarn
