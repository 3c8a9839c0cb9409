#include "base/list_value.h"

#include "base/key_text.h"

namespace tarn {

namespace {

// Splits at every `separator`; what follows the last one is an item when it is not empty.
std::vector<std::wstring> SplitAt(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> items;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::wstring::npos; at = text.find(separator, start)) {
        items.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    if (start < text.size()) {
        items.push_back(text.substr(start));
    }
    return items;
}

constexpr wchar_t kAppInitSeparators[] = L" ,";

std::vector<std::wstring> SplitAtRuns(const std::wstring& text) {
    std::vector<std::wstring> items;
    std::size_t start = text.find_first_not_of(kAppInitSeparators);
    while (start != std::wstring::npos) {
        const std::size_t end = text.find_first_of(kAppInitSeparators, start);
        items.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        start = end == std::wstring::npos ? end : text.find_first_not_of(kAppInitSeparators, end);
    }
    return items;
}

bool HoldsSeparator(const std::wstring& text, ListSyntax syntax) {
    return syntax == ListSyntax::AppInit ? text.find_first_of(kAppInitSeparators) != std::wstring::npos
                                         : text.find(ListSeparator(syntax)) != std::wstring::npos;
}

}  // namespace

std::optional<ListSyntax> ListSyntaxFor(const std::wstring& valueName) {
    if (EqualsNoCaseAscii(valueName, kShellValue)) {
        return ListSyntax::Shell;
    }
    if (EqualsNoCaseAscii(valueName, kUserinitValue)) {
        return ListSyntax::Userinit;
    }
    if (EqualsNoCaseAscii(valueName, kAppInitValue) || EqualsNoCaseAscii(valueName, kWindowsLoadValue) ||
        EqualsNoCaseAscii(valueName, kWindowsRunValue)) {
        return ListSyntax::AppInit;
    }
    return std::nullopt;
}

wchar_t ListSeparator(ListSyntax syntax) {
    return syntax == ListSyntax::Shell ? L' ' : L',';
}

std::optional<std::vector<std::wstring>> SplitListText(const std::wstring& text, ListSyntax syntax) {
    if (text.empty() || !HoldsSeparator(text, syntax)) {
        return std::nullopt;
    }
    return syntax == ListSyntax::AppInit ? SplitAtRuns(text) : SplitAt(text, ListSeparator(syntax));
}

std::vector<std::wstring> SplitListItems(const std::wstring& text, ListSyntax syntax) {
    if (text.empty()) {
        return {};
    }
    auto items = SplitListText(text, syntax);
    return items ? *items : std::vector<std::wstring>{text};
}

std::wstring JoinListItems(const std::vector<std::wstring>& items, ListSyntax syntax) {
    std::wstring text;
    for (const std::wstring& item : items) {
        text += item;
        text.push_back(ListSeparator(syntax));
    }
    return text;
}

std::vector<std::wstring> SplitProviderOrder(const std::wstring& text) {
    std::vector<std::wstring> names;
    for (std::wstring& name : SplitAt(text, L',')) {
        if (!name.empty()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

}  // namespace tarn
