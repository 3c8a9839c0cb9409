// Console report of every autostart registration the categories find, in tab order.
#include "app/console_output.h"
#include "app/enumerators.h"
#include "app/scan_report.h"
#include "fileinfo/signature.h"
#include "pages/entry_file_check.h"

#include <windows.h>

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    using namespace tarn;
    const auto options = ParseScanOptions(std::vector<std::wstring>(argv + 1, argv + argc));
    if (!options) {
        WriteText(STD_ERROR_HANDLE, kScanUsage);
        return 2;
    }
    if (options->verify) {
        InitSignatureVerifier();
    }

    EnumeratorSet enumerators = CreateEnumerators();
    std::wstring report = options->csv ? CsvHeader() : std::wstring();
    for (std::size_t index = 0; index < enumerators.size(); ++index) {
        CTarnAutoRunBase* enumerator = enumerators[index].get();
        if (enumerator == nullptr) {
            continue;
        }
        enumerator->Enumerate();
        const auto& entries = enumerator->results().entries;
        if (!options->csv) {
            report += TextCategoryLine(kCategoryCaptions[index], entries.size());
        }
        for (const auto& entry : entries) {
            CheckEntryFile(*entry, options->verify);
            report += options->csv ? CsvRow(index, kCategoryCaptions[index], *entry) : TextEntryLine(*entry);
        }
    }
    WriteText(STD_OUTPUT_HANDLE, report);

    if (options->verify) {
        ReleaseSignatureVerifier();
    }
    return 0;
}
