#include "fileinfo/signature_text.h"

#include "fileinfo/signature_codes.h"

#include <string>

namespace tarn {

uint32_t ParseCommonName(const wchar_t* x500Name, wchar_t* out, std::size_t capacity) {
    if (x500Name == nullptr || *x500Name == L'\0') {
        return SignatureNoCommonName;
    }
    const std::wstring name(x500Name);
    const std::size_t at = name.find(L"CN=");
    if (at == std::wstring::npos) {
        return SignatureNoCommonName;
    }
    std::wstring value = name.substr(at + 3);
    if (out == nullptr || value.size() + 1 > capacity) {
        return SignatureNameTooLong;
    }
    if (value.empty()) {
        return SignatureNoCommonName;
    }
    if (value.front() == L'"') {
        value.erase(0, 1);
        if (value.empty()) {
            return SignatureNoCommonName;
        }
    }
    if (value.back() == L'"') {
        value.pop_back();
        if (value.empty()) {
            return SignatureNoCommonName;
        }
    }
    value.copy(out, value.size());
    out[value.size()] = L'\0';
    return SignatureValid;
}

std::wstring HashMemberTag(const unsigned char* hash, std::size_t byteCount) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring tag;
    tag.reserve(2 * byteCount);
    for (std::size_t i = 0; hash != nullptr && i < byteCount; ++i) {
        tag.push_back(kDigits[hash[i] >> 4]);
        tag.push_back(kDigits[hash[i] & 0xF]);
    }
    return tag;
}

}  // namespace tarn
