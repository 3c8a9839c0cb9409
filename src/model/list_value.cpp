#include "model/list_value.h"

#include "model/key_text.h"

namespace tarn {

std::optional<wchar_t> ListSeparatorFor(const std::wstring& valueName) {
    if (EqualsNoCaseAscii(valueName, kShellValue)) {
        return L' ';
    }
    if (EqualsNoCaseAscii(valueName, kUserinitValue) || EqualsNoCaseAscii(valueName, kAppInitValue)) {
        return L',';
    }
    return std::nullopt;
}

namespace {

std::optional<std::vector<std::wstring>> Split(const std::wstring& text, wchar_t separator, bool keepEmptyLast) {
    if (text.empty() || text.find(separator) == std::wstring::npos) {
        return std::nullopt;
    }
    std::vector<std::wstring> items;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::wstring::npos; at = text.find(separator, start)) {
        items.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    if (keepEmptyLast || start < text.size()) {
        items.push_back(text.substr(start));
    }
    return items;
}

}  // namespace

std::optional<std::vector<std::wstring>> SplitListText(const std::wstring& text, wchar_t separator) {
    return Split(text, separator, false);
}

std::vector<std::wstring> SplitListItems(const std::wstring& text, wchar_t separator) {
    if (text.empty()) {
        return {};
    }
    auto items = Split(text, separator, false);
    return items ? *items : std::vector<std::wstring>{text};
}

std::wstring JoinListItems(const std::vector<std::wstring>& items, wchar_t separator) {
    std::wstring text;
    for (const std::wstring& item : items) {
        text += item;
        text.push_back(separator);
    }
    return text;
}

std::optional<std::vector<std::wstring>> SplitProviderOrder(const std::wstring& text) {
    return Split(text, L',', true);
}

}  // namespace tarn
