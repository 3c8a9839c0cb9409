#include "pages/category_pages.h"

#include <utility>

namespace tarn {

namespace {

template <std::size_t... Tabs>
PageSet CreatePagesOf(PageLinks& links, std::index_sequence<Tabs...>) {
    return {std::make_unique<CCategoryPage<Tabs>>(links[Tabs])...};
}

}  // namespace

PageSet CreatePages(PageLinks& links) {
    return CreatePagesOf(links, std::make_index_sequence<kCategoryCount>());
}

}  // namespace tarn
