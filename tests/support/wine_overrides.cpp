#include "support/wine_overrides.h"

#include "support/registry_sandbox.h"

#include <windows.h>

namespace tarn::test {

ScopedWindowsDllSearch::ScopedWindowsDllSearch(const std::wstring& program, std::initializer_list<const wchar_t*> dlls)
    : key_(L"Software\\Wine\\AppDefaults\\" + program) {
    for (const wchar_t* dll : dlls) {
        WriteString(HKEY_CURRENT_USER, key_ + L"\\DllOverrides", dll, L"native,builtin");
    }
}

ScopedWindowsDllSearch::~ScopedWindowsDllSearch() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
}

}  // namespace tarn::test
