// Feeds arbitrary command texts, environment values and sets of existing files to the resolver's
// rules; the sanitizers watch memory, the checks below watch the result.
#include "fileinfo/image_path_rules.h"

#include "fuzz_input.h"

#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto texts = tarn::fuzz::SplitTexts(data, size, 6);
    const std::wstring& command = texts[0];
    const std::set<std::wstring> existing{texts[4], texts[5]};
    const tarn::ImagePathEnvironment environment{
        [&](const wchar_t* name) {
            const std::wstring n(name);
            return n == L"systemroot" ? texts[1] : n == L"windir" ? texts[2] : texts[3];
        },
        [&](const std::wstring& path) { return existing.count(path) > 0; },
    };
    const auto resolved = tarn::ResolveImagePathText(command, environment);
    if (resolved && (resolved->empty() || existing.count(*resolved) == 0)) {
        std::abort();  // only an existing, non-empty path may be reported
    }
    return 0;
}
