#include "pages/entry_file_check.h"

#include "fileinfo/signature.h"
#include "pages/page_texts.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace tarn {

namespace {

constexpr std::size_t kSignerCapacity = 8000;

}  // namespace

bool CheckEntryFile(AutoRunEntry& entry, bool verify) {
    if (!::PathFileExistsW(entry.imagePath.c_str())) {
        entry.sizeKB = 0;
        entry.state = EntryFileMissing;
        return false;
    }
    if (verify) {
        std::vector<wchar_t> signer(kSignerCapacity, L'\0');
        int32_t isSigned = 0;
        const uint32_t code = VerifyFileSignature(entry.imagePath.c_str(), signer.data(), signer.size(), isSigned);
        entry.signature = code == SignatureValid ? kSignatureValidText : kSignatureInvalidText;
    }
    return true;
}

}  // namespace tarn
