#include "base/registry_data.h"

namespace tarn {

std::wstring Utf16TextFromBytes(const unsigned char* data, std::size_t byteCount) {
    std::wstring text;
    if (data == nullptr) {
        return text;
    }
    const std::size_t unitCount = byteCount / 2;
    for (std::size_t i = 0; i < unitCount; ++i) {
        const auto unit = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (unit == L'\0') {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

std::wstring Utf16UnitsFromBytes(const unsigned char* data, std::size_t byteCount) {
    std::wstring units(byteCount / 2, L'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    return units;
}

uint32_t DwordFromBytes(const unsigned char* data, std::size_t byteCount) {
    uint32_t value = 0;
    for (std::size_t i = 0; data != nullptr && i < byteCount && i < 4; ++i) {
        value |= static_cast<uint32_t>(data[i]) << (8 * i);
    }
    return value;
}

std::string NarrowTextFromBytes(const unsigned char* data, std::size_t byteCount) {
    std::string text;
    for (std::size_t i = 0; data != nullptr && i < byteCount && data[i] != 0; ++i) {
        text.push_back(static_cast<char>(data[i]));
    }
    return text;
}

}  // namespace tarn
