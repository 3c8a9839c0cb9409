#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The list values whose items are registrations of their own.
constexpr wchar_t kUserinitValue[] = L"Userinit";
constexpr wchar_t kShellValue[] = L"Shell";
constexpr wchar_t kAppInitValue[] = L"AppInit_DLLs";
// The programs `Windows NT\CurrentVersion\Windows` starts at logon, read as AppInit_DLLs is.
constexpr wchar_t kWindowsLoadValue[] = L"Load";
constexpr wchar_t kWindowsRunValue[] = L"Run";

// How Windows reads each list value: "Userinit" at commas and "Shell" at spaces, items taken as
// they stand; "AppInit_DLLs" (and "Load" and "Run") at commas or spaces, with the spaces around
// items ignored.
enum class ListSyntax { Userinit, Shell, AppInit };

// The syntax of a list value by its name (any letter case); nothing for any other value.
std::optional<ListSyntax> ListSyntaxFor(const std::wstring& valueName);

// The separator written after every item when a list is rebuilt.
wchar_t ListSeparator(ListSyntax syntax);

// Splits a list text into its items. Userinit and Shell: at every separator; what follows the
// last separator is one more item unless it is empty; items are not trimmed and an empty text
// between two separators is an item. AppInit: at every run of commas and spaces, empty items
// dropped. Nothing when the text is empty or holds no separator: such a value is taken whole.
std::optional<std::vector<std::wstring>> SplitListText(const std::wstring& text, ListSyntax syntax);

// The items of a list value's text, as the state changes rebuild them: like SplitListText, but a
// text without separator is one item and an empty text none.
std::vector<std::wstring> SplitListItems(const std::wstring& text, ListSyntax syntax);

// Every item followed by the separator, the form in which list values are written back.
std::wstring JoinListItems(const std::vector<std::wstring>& items, ListSyntax syntax);

// Splits the network "ProviderOrder" text at every comma into the provider names, in order;
// empty names are dropped. A text without a comma is one name.
std::vector<std::wstring> SplitProviderOrder(const std::wstring& text);

}  // namespace tarn
