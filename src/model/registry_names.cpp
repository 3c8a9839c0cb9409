#include "model/registry_names.h"

#include <windows.h>

#include <cwctype>

namespace tarn {

namespace {

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

wchar_t Fold(wchar_t unit) {
    // The table maps ASCII as everyone does; only other units need the call.
    if (unit < 0x80) {
        return unit >= L'a' && unit <= L'z' ? static_cast<wchar_t>(unit - L'a' + L'A') : unit;
    }
    const UpcaseUnit upcase = SystemUpcase();
    return upcase != nullptr ? upcase(unit) : static_cast<wchar_t>(std::towupper(unit));
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
