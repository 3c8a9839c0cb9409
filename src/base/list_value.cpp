#include "base/list_value.h"

#include "base/key_text.h"

#include <algorithm>
#include <iterator>

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

// At every comma, the blanks around each item dropped, empty items dropped.
std::vector<std::wstring> SplitAtCommas(const std::wstring& text) {
    std::vector<std::wstring> items;
    for (const std::wstring& item : SplitAt(text, L',')) {
        const std::size_t first = item.find_first_not_of(L' ');
        if (first != std::wstring::npos) {
            items.push_back(item.substr(first, item.find_last_not_of(L' ') - first + 1));
        }
    }
    return items;
}

bool HoldsSeparator(const std::wstring& text, ListSyntax syntax) {
    return syntax == ListSyntax::AppInit ? text.find_first_of(kAppInitSeparators) != std::wstring::npos
                                         : text.find(ListSeparator(syntax)) != std::wstring::npos;
}

bool NamedIn(const std::wstring& valueName, const wchar_t* const* names, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (EqualsNoCaseAscii(valueName, names[i])) {
            return true;
        }
    }
    return false;
}

bool IsSessionManagerList(const std::wstring& valueName) {
    return NamedIn(valueName, kSessionManagerLists, std::size(kSessionManagerLists));
}

bool IsPackageList(const std::wstring& valueName) {
    return NamedIn(valueName, kLsaPackageLists, std::size(kLsaPackageLists)) ||
           EqualsNoCaseAscii(valueName, kSecurityProvidersValue);
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && EqualsNoCaseAscii(text.substr(text.size() - end.size()), end);
}

// The first blank-separated word of `text` from `at` (a quoted one whole); `at` moves past it.
std::wstring NextWord(const std::wstring& text, std::size_t& at) {
    at = text.find_first_not_of(L" \t", at);
    if (at == std::wstring::npos) {
        at = text.size();
        return {};
    }
    if (text[at] == L'"') {
        const std::size_t close = text.find(L'"', at + 1);
        const std::size_t end = close == std::wstring::npos ? text.size() : close;
        std::wstring word = text.substr(at + 1, end - at - 1);
        at = close == std::wstring::npos ? text.size() : close + 1;
        return word;
    }
    const std::size_t end = std::min(text.find_first_of(L" \t", at), text.size());
    std::wstring word = text.substr(at, end - at);
    at = end;
    return word;
}

// A file named by itself when it holds a folder, else in System32; `extension` added as told.
std::wstring SystemFile(std::wstring name, const std::wstring& extension, bool unlessAnyExtension) {
    if (name.rfind(L"\\??\\", 0) == 0) {
        name.erase(0, 4);
    }
    const std::size_t leaf = name.find_last_of(L"\\/");
    const std::wstring leafName = leaf == std::wstring::npos ? name : name.substr(leaf + 1);
    const bool hasExtension = unlessAnyExtension ? leafName.find(L'.') != std::wstring::npos
                                                 : EndsWithNoCase(leafName, extension);
    if (!hasExtension) {
        name += extension;
    }
    return leaf == std::wstring::npos ? L"%SystemRoot%\\System32\\" + name : name;
}

}  // namespace

std::wstring ListTextOf(const std::wstring& units, ListSyntax syntax) {
    if (syntax != ListSyntax::MultiString) {
        return units.substr(0, units.find(L'\0'));
    }
    std::size_t end = 0;
    while (end < units.size() && units[end] != L'\0') {
        const std::size_t nul = units.find(L'\0', end);
        end = nul == std::wstring::npos ? units.size() : nul + 1;
    }
    return units.substr(0, end);
}

std::wstring SystemDllCommand(const std::wstring& name) {
    return L"\"" + SystemFile(name, L".dll", false) + L"\"";
}

bool IsNoPackage(const std::wstring& item) {
    const std::size_t first = item.find_first_not_of(L' ');
    return first == std::wstring::npos || item.substr(first, item.find_last_not_of(L' ') - first + 1) == L"\"\"";
}

std::wstring ListItemCommand(const std::wstring& valueName, const std::wstring& item) {
    if (IsSessionManagerList(valueName)) {
        std::size_t at = 0;
        std::wstring program = NextWord(item, at);
        // "autocheck autochk *": the keyword marks a check program, named by the next word.
        if (EqualsNoCaseAscii(program, L"autocheck")) {
            program = NextWord(item, at);
        }
        return program.empty() ? item : L"\"" + SystemFile(program, L".exe", true) + L"\"";
    }
    if (IsPackageList(valueName) && !IsNoPackage(item)) {
        std::size_t at = 0;
        const std::wstring trimmed = item.substr(item.find_first_not_of(L' '));
        const std::wstring name = trimmed.front() == L'"' ? NextWord(trimmed, at) : trimmed;
        return L"\"" + SystemFile(name, L".dll", false) + L"\"";
    }
    return item;
}

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
    if (IsSessionManagerList(valueName) || NamedIn(valueName, kLsaPackageLists, std::size(kLsaPackageLists))) {
        return ListSyntax::MultiString;
    }
    if (EqualsNoCaseAscii(valueName, kSecurityProvidersValue)) {
        return ListSyntax::Comma;
    }
    return std::nullopt;
}

wchar_t ListSeparator(ListSyntax syntax) {
    switch (syntax) {
        case ListSyntax::Shell:
            return L' ';
        case ListSyntax::MultiString:
            return L'\0';
        default:
            return L',';
    }
}

std::optional<std::vector<std::wstring>> SplitListText(const std::wstring& text, ListSyntax syntax) {
    if (text.empty() || !HoldsSeparator(text, syntax)) {
        return std::nullopt;
    }
    switch (syntax) {
        case ListSyntax::AppInit:
            return SplitAtRuns(text);
        case ListSyntax::Comma:
            return SplitAtCommas(text);
        default:
            return SplitAt(text, ListSeparator(syntax));
    }
}

std::vector<std::wstring> SplitListItems(const std::wstring& text, ListSyntax syntax) {
    if (text.empty()) {
        return {};
    }
    // A comma text's names never carry the blanks around them, one name alone included.
    if (syntax == ListSyntax::Comma) {
        return SplitAtCommas(text);
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
