#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarn {

// One value exactly as stored: its name (which may hold a NUL), type code and bytes.
struct RegValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;

    bool operator==(const RegValue& other) const {
        return name == other.name && type == other.type && bytes == other.bytes;
    }
    bool operator!=(const RegValue& other) const { return !(*this == other); }
};

// What makes a key what it is beyond its values and subkeys; kept when a key is copied.
struct KeyTraits {
    std::wstring className;
    // Self-relative security descriptor with owner, group and DACL.
    std::vector<BYTE> security;
    bool isVolatile = false;
    // A symbolic link: its only content is the link value naming its target.
    bool isLink = false;

    bool operator==(const KeyTraits& other) const {
        return className == other.className && security == other.security && isVolatile == other.isVolatile &&
               isLink == other.isLink;
    }
    bool operator!=(const KeyTraits& other) const { return !(*this == other); }
};

// The value a link key holds, naming its target.
constexpr wchar_t kLinkValueName[] = L"SymbolicLinkValue";

}  // namespace tarn
