#pragma once

#include "base/autorun_entry.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

// How an entry's file verified, as its signature column says it.
constexpr wchar_t kSignatureValidText[] = L"签名正常";
constexpr wchar_t kSignatureInvalidText[] = L"无签名";
inline const wchar_t* SignatureCheckText(SignatureCheck check) {
    return check == SignatureCheck::Valid     ? kSignatureValidText
           : check == SignatureCheck::Invalid ? kSignatureInvalidText
                                              : L"";
}

// Extracts the common name from a name in X.500 string form: everything after the first "CN="
// (later attributes included), without one enclosing pair of double quotes. Writes it with its
// terminator into `out` and returns SignatureValid; leaves `out` untouched on any other code.
uint32_t ParseCommonName(const wchar_t* x500Name, wchar_t* out, std::size_t capacity);

// The catalog member tag of a file hash: each byte as two upper-case hexadecimal digits.
std::wstring HashMemberTag(const unsigned char* hash, std::size_t byteCount);

}  // namespace tarn
