#include "app/enumerators.h"

#include "fileinfo/machine_files.h"
#include "pages/category_table.h"

namespace tarn {

EnumeratorSet CreateEnumerators() {
    EnumeratorSet set;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        if (const EnumeratorFactory make = CategoryTable()[k].makeEnumerator) {
            set[k] = make(MachineFiles());
        }
    }
    return set;
}

}  // namespace tarn
