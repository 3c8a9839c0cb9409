#include "fileinfo/entry_file_check.h"

#include "fileinfo/file_facts_cache.h"
#include "fileinfo/signature_codes.h"
#include "fileinfo/signature_text.h"

#include <windows.h>
#include <shlwapi.h>

namespace tarn {

bool CheckEntryFile(AutoRunEntry& entry, bool verify) {
    if (entry.startsNoFile) {
        return false;  // nothing to find, and not missing either: its state stays
    }
    const auto cache = CurrentFileFacts();
    const bool exists = cache ? cache->Exists(entry.imagePath) : ::PathFileExistsW(entry.imagePath.c_str()) != FALSE;
    if (!exists) {
        entry.sizeKB = 0;
        entry.state = EntryFileMissing;
        return false;
    }
    if (verify) {
        // Entries of one file share one verification per scan.
        const uint32_t code = cache ? cache->Signature(entry.imagePath).code : VerifyFileFacts(entry.imagePath).code;
        entry.signatureCheck = code == SignatureValid ? SignatureCheck::Valid : SignatureCheck::Invalid;
        entry.signature = SignatureCheckText(entry.signatureCheck);
    }
    return true;
}

void CheckEntryFiles(CategoryResults& results, bool verify) {
    for (auto& entry : results.entries) {
        CheckEntryFile(*entry, verify);
    }
}

}  // namespace tarn
