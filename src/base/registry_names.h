#pragma once

#include <string>

namespace tarn {

// Registry names compare as the registry compares them: unit by unit after the registry's own
// upper-case mapping. Nothing is ignored (a soft hyphen counts) and a NUL inside a name counts.
bool SameRegistryName(const std::wstring& a, const std::wstring& b);

// The name as the registry folds it, for keying maps by registry name.
std::wstring FoldRegistryName(std::wstring name);

// A name with a NUL inside: the Win32 calls cannot carry it, and it has no innocent use.
inline bool HasNul(const std::wstring& name) {
    return name.find(L'\0') != std::wstring::npos;
}

}  // namespace tarn
