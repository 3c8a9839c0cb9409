#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn::fuzz {

// Splits fuzz bytes into texts of 16-bit units (as Windows holds wide text), separated by the
// unit 0xFFFF, so one input can carry several strings.
inline std::vector<std::wstring> SplitTexts(const uint8_t* data, std::size_t size, std::size_t wanted) {
    std::vector<std::wstring> texts(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == static_cast<wchar_t>(0xFFFF) && texts.size() < wanted) {
            texts.emplace_back();
        } else {
            texts.back().push_back(unit);
        }
    }
    texts.resize(wanted);
    return texts;
}

}  // namespace tarn::fuzz
