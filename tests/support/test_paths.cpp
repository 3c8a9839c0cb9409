#include "support/test_paths.h"

#include <windows.h>

#include <vector>

namespace tarn::test {

std::wstring TestProgramFolder() {
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD count = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::wstring path(buffer.data(), count);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring FixturePath(const std::wstring& relative) {
    return TestProgramFolder() + L"\\fixtures\\" + relative;
}

}  // namespace tarn::test
