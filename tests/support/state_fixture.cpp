#include "support/state_fixture.h"

namespace tarn::test {

std::wstring ReadText(HKEY root, const std::wstring& path, const std::wstring& name) {
    const auto raw = ReadRaw(root, path, name);
    if (!raw) {
        return L"<absent>";
    }
    std::wstring text;
    for (std::size_t i = 0; i + 1 < raw->bytes.size(); i += 2) {
        const auto unit = static_cast<wchar_t>(raw->bytes[i] | (raw->bytes[i + 1] << 8));
        if (unit == L'\0') {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384] = {};
        DWORD count = 16384;
        if (::RegEnumValueW(key, i, name, &count, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, count);
    }
    ::RegCloseKey(key);
    return names;
}

}  // namespace tarn::test
