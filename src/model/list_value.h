#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The list values whose items are registrations of their own.
constexpr wchar_t kUserinitValue[] = L"Userinit";
constexpr wchar_t kShellValue[] = L"Shell";
constexpr wchar_t kAppInitValue[] = L"AppInit_DLLs";

// Separator of a list value: a space for "Shell", a comma for "Userinit" and "AppInit_DLLs"
// (names in any letter case); nothing for any other value.
std::optional<wchar_t> ListSeparatorFor(const std::wstring& valueName);

// Splits a list text at every separator; what follows the last separator is one more item
// unless it is empty. Items are not trimmed, and an empty text between two separators is an item.
// Nothing when the text is empty or holds no separator: such a value is taken whole.
std::optional<std::vector<std::wstring>> SplitListText(const std::wstring& text, wchar_t separator);

// The items of a list value's text, as the state changes rebuild them: like SplitListText, but a
// text without separator is one item and an empty text none.
std::vector<std::wstring> SplitListItems(const std::wstring& text, wchar_t separator);

// Every item followed by the separator, the form in which list values are written back.
std::wstring JoinListItems(const std::vector<std::wstring>& items, wchar_t separator);

// Splits the network "ProviderOrder" text at every comma; unlike a list value, what follows the
// last comma is always one more name, also when it is empty. Nothing for an empty text or one
// without a comma.
std::optional<std::vector<std::wstring>> SplitProviderOrder(const std::wstring& text);

}  // namespace tarn
