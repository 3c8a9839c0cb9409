#include "fileinfo/version_query.h"

#include "base/registry_data.h"

namespace tarn {

namespace {

constexpr wchar_t kPlaceholder[] = L"%04x%04x";

void AppendHex4(std::wstring& text, uint16_t value) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    for (int shift = 12; shift >= 0; shift -= 4) {
        text.push_back(kDigits[(value >> shift) & 0xF]);
    }
}

}  // namespace

std::optional<std::wstring> FormatTranslationQuery(const std::wstring& queryTemplate, Translation translation) {
    const std::size_t at = queryTemplate.find(kPlaceholder);
    if (at == std::wstring::npos) {
        return std::nullopt;
    }
    std::wstring query = queryTemplate.substr(0, at);
    AppendHex4(query, translation.language);
    AppendHex4(query, translation.codePage);
    query.append(queryTemplate, at + std::wstring(kPlaceholder).size(), std::wstring::npos);
    if (query.size() >= kVersionQueryCapacity) {
        return std::nullopt;
    }
    return query;
}

std::vector<Translation> ParseTranslationTable(const unsigned char* data, std::size_t byteCount) {
    std::vector<Translation> table;
    for (std::size_t i = 0; data != nullptr && i + 4 <= byteCount; i += 4) {
        table.push_back({static_cast<uint16_t>(data[i] | (data[i + 1] << 8)),
                         static_cast<uint16_t>(data[i + 2] | (data[i + 3] << 8))});
    }
    return table;
}

std::wstring TextInBlock(const unsigned char* block, std::size_t blockByteCount, std::size_t byteOffset) {
    if (block == nullptr || byteOffset >= blockByteCount) {
        return {};
    }
    return Utf16TextFromBytes(block + byteOffset, blockByteCount - byteOffset);
}

}  // namespace tarn
