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

// The session manager's program lists and the LSA's package lists: multi-strings, each string one
// item (a program line or a package name).
constexpr const wchar_t* kSessionManagerLists[] = {L"BootExecute",     L"BootExecuteNoPnpSync", L"SetupExecute",
                                                   L"Execute",         L"S0InitialCommand",     L"PlatformExecute"};
constexpr const wchar_t* kLsaPackageLists[] = {L"Authentication Packages", L"Notification Packages",
                                               L"Security Packages"};
// The security support providers, a comma-separated text.
constexpr wchar_t kSecurityProvidersValue[] = L"SecurityProviders";

// How Windows reads each list value: "Userinit" at commas and "Shell" at spaces, items taken as
// they stand; "AppInit_DLLs" (and "Load" and "Run") at commas or spaces, with the spaces around
// items ignored; the session manager's and the LSA's lists string by string (MultiString), and
// "SecurityProviders" at commas with the spaces around items ignored (Comma).
enum class ListSyntax { Userinit, Shell, AppInit, MultiString, Comma };

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

// The list text of a value's data, given as all its UTF-16 units: up to the first NUL; for a
// multi-string every string before the first empty one (or the end), each followed by its NUL.
std::wstring ListTextOf(const std::wstring& units, ListSyntax syntax);

// The command text a list item stands for, as the program that reads the list finds its file: a
// session manager line names a native program in System32 (after the "autocheck" keyword, ".exe"
// added when it has no extension); an LSA package or security provider a DLL in System32 (".dll"
// added when missing); any other item is its own command.
std::wstring ListItemCommand(const std::wstring& valueName, const std::wstring& item);

// The command text of a DLL named the way the system loads such names: by itself when it holds a
// folder, else in System32; ".dll" added when it does not end so. Quoted.
std::wstring SystemDllCommand(const std::wstring& name);

// Whether a package list item is Windows' "none" (empty, blanks or `""`): not a registration.
bool IsNoPackage(const std::wstring& item);

// Splits the network "ProviderOrder" text at every comma into the provider names, in order;
// empty names are dropped. A text without a comma is one name.
std::vector<std::wstring> SplitProviderOrder(const std::wstring& text);

}  // namespace tarn
