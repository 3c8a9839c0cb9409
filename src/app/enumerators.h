#pragma once

#include "base/categories.h"
#include "model/autorun_base.h"

#include <array>
#include <memory>

namespace tarn {

using EnumeratorSet = std::array<std::unique_ptr<CTarnAutoRunBase>, kCategoryCount>;

// The category enumerators in tab order, each reading this machine's files; a slot stays empty
// for a category that has none.
EnumeratorSet CreateEnumerators();

}  // namespace tarn
