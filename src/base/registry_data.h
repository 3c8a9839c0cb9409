#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

// Interpretations of raw value bytes, bounded by the byte count the registry returned.
// None of them looks at the value's type code.

// UTF-16 text up to the first NUL unit or the last whole unit (an odd trailing byte is ignored).
std::wstring Utf16TextFromBytes(const unsigned char* data, std::size_t byteCount);

// Every whole UTF-16 unit, NULs included (an odd trailing byte is ignored).
std::wstring Utf16UnitsFromBytes(const unsigned char* data, std::size_t byteCount);

// First four bytes as a little-endian unsigned number; shorter data is zero-extended.
uint32_t DwordFromBytes(const unsigned char* data, std::size_t byteCount);

// 8-bit text up to the first zero byte or the end of the data.
std::string NarrowTextFromBytes(const unsigned char* data, std::size_t byteCount);

}  // namespace tarn
