#include "base/registry_names.h"

#include <cwctype>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarn {

namespace {

#ifdef _WIN32
using UpcaseUnit = WCHAR(NTAPI*)(WCHAR);

// The registry folds names with the system's upper-case table, which ntdll exposes.
UpcaseUnit SystemUpcase() {
    static const UpcaseUnit upcase = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll == nullptr ? nullptr
                                : reinterpret_cast<UpcaseUnit>(
                                      reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlUpcaseUnicodeChar")));
    }();
    return upcase;
}
#endif

wchar_t Fold(wchar_t unit) {
    // The table maps ASCII as everyone does; only other units need the call.
    if (unit < 0x80) {
        return unit >= L'a' && unit <= L'z' ? static_cast<wchar_t>(unit - L'a' + L'A') : unit;
    }
#ifdef _WIN32
    if (const UpcaseUnit upcase = SystemUpcase()) {
        return upcase(unit);
    }
#endif
    // Off Windows (the portable tests) the C library's mapping stands in for the system's table.
    return static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(unit)));
}

}  // namespace

bool SameRegistryName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

std::wstring FoldRegistryName(std::wstring name) {
    for (wchar_t& unit : name) {
        unit = Fold(unit);
    }
    return name;
}

}  // namespace tarn
