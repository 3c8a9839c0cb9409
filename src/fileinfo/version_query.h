#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// Query templates: one translation's language and code page fill the "%04x%04x" placeholder.
constexpr wchar_t kDescriptionQuery[] = L"\\StringFileInfo\\%04x%04x\\FileDescription";
constexpr wchar_t kCompanyQuery[] = L"\\StringFileInfo\\%04x%04x\\CompanyName";
constexpr wchar_t kFileVersionQuery[] = L"\\StringFileInfo\\%04x%04x\\FileVersion";
constexpr wchar_t kTranslationQuery[] = L"\\VarFileInfo\\Translation";

// Query paths are formatted into a buffer of this many characters, terminator included.
constexpr std::size_t kVersionQueryCapacity = 8000;

struct Translation {
    uint16_t language = 0;
    uint16_t codePage = 0;
};

// The template with its placeholder replaced by language and code page as eight lower-case
// hexadecimal digits; nothing when the template has no placeholder or the result does not fit.
std::optional<std::wstring> FormatTranslationQuery(const std::wstring& queryTemplate, Translation translation);

// The translation table's 4-byte records (language, then code page, little-endian); a trailing
// partial record is ignored.
std::vector<Translation> ParseTranslationTable(const unsigned char* data, std::size_t byteCount);

// Text at `byteOffset` of a version block, up to its terminator or the end of
// the block; empty when the offset lies outside it.
std::wstring TextInBlock(const unsigned char* block, std::size_t blockByteCount, std::size_t byteOffset);

}  // namespace tarn
