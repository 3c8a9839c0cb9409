#include "app/enumerators.h"

#include "fileinfo/machine_files.h"
#include "pages/category_table.h"

namespace tarn {

EnumeratorSet CreateEnumerators() {
    EnumeratorSet set;
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        const CategoryRow& row = CategoryTable()[k];
        if (row.makeEnumerator != nullptr) {
            set[k] = row.makeEnumerator(MachineFiles());
            set[k]->UseTechnique(row.technique);
        }
    }
    return set;
}

}  // namespace tarn
