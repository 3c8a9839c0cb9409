// Signer-name parsing, the version-block readers and the task-definition reader on arbitrary input.
#include "base/task_xml.h"
#include "fileinfo/file_time_text.h"
#include "fileinfo/signature_codes.h"
#include "fileinfo/signature_text.h"
#include "fileinfo/version_query.h"

#include "fuzz_input.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto texts = tarn::fuzz::SplitTexts(data, size, 2);
    const std::size_t capacity = size == 0 ? 0 : data[0] % 64;

    // An exactly sized heap buffer, so ASan sees any write past the capacity.
    std::vector<wchar_t> out(capacity + 1, L'#');
    const uint32_t code = tarn::ParseCommonName(texts[0].c_str(), capacity == 0 ? nullptr : out.data(), capacity);
    if (code == tarn::SignatureValid) {
        const std::wstring name(out.data());
        Check(name.size() < capacity && !name.empty());
    } else {
        Check(code == tarn::SignatureNoCommonName || code == tarn::SignatureNameTooLong);
        Check(out[0] == L'#');
    }

    Check(tarn::HashMemberTag(data, size).size() == 2 * size);
    Check(tarn::ParseTranslationTable(data, size).size() == size / 4);
    const std::size_t offset = size == 0 ? 0 : data[size - 1];
    Check(tarn::TextInBlock(data, size, offset).size() <= size / 2);

    const auto query = tarn::FormatTranslationQuery(texts[1], {0x0804, 0x04b0});
    Check(!query || query->size() < tarn::kVersionQueryCapacity);

    const std::wstring taskText = tarn::TaskFileText(std::string(reinterpret_cast<const char*>(data), size));
    Check(taskText.size() <= size);
    Check(tarn::WithoutEnabledFlag(taskText).size() <= taskText.size());
    if (const auto task = tarn::ParseTaskXml(taskText)) {
        Check(tarn::TriggersText(task->triggers).size() <= 16 * taskText.size());
        for (const tarn::TaskAction& action : task->actions) {
            Check(tarn::TaskCommandLine(action).size() <= taskText.size() + 8);
        }
    }

    if (size >= 12) {
        tarn::CalendarTime time;
        time.year = data[0] | (data[1] << 8);
        time.month = data[2];
        time.day = data[3];
        time.hour = data[4];
        time.minute = data[5];
        time.second = data[6];
        Check(tarn::FormatFileTimeText(time).back() == L'\n');
    }
    return 0;
}
