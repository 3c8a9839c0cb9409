#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tarn {

// Joined registry paths must fit a 260-unit buffer with its terminator.
constexpr std::size_t kMaxJoinedPathLength = 259;

// The root short names a key text may start with.
enum class RootName { None, LocalMachine, CurrentUser, Users };

// Root named before the first backslash ("HKLM"/"HKCU"/"HKU", any letter case); None otherwise.
RootName RootNameFromKeyText(const std::wstring& keyText);

// Text after the first backslash; for a list item also cut before its last backslash
// (the key that holds the list value). Empty when the needed backslash is missing.
std::wstring SubPathFromKeyText(const std::wstring& keyText, int entryKind);

// a + "\" + b, or nothing when the result would exceed kMaxJoinedPathLength.
std::optional<std::wstring> JoinKeyPath(const std::wstring& a, const std::wstring& b);

// a + "\" + b without a limit: for the texts the enumerators keep and the keys they read, so
// that no registration is hidden by the length of its path. Changes to the registry join with
// JoinKeyPath and refuse what does not fit.
std::wstring JoinKeyText(const std::wstring& a, const std::wstring& b);

// A text naming a COM class: it contains a "{" and a "}", in any order.
bool IsClsidLike(const std::wstring& text);

// "CLSID\<clsid>", the class key below HKEY_CLASSES_ROOT.
std::wstring ClassKeyPath(const std::wstring& clsid);

// The text with its ASCII letters in lower case; other letters are kept.
std::wstring LowerAscii(std::wstring text);

// Registry names compare without regard to case. Only ASCII letters are folded here; the
// registry's own folding of other letters is left to the platform comparison.
bool EqualsNoCaseAscii(const std::wstring& a, const std::wstring& b);

}  // namespace tarn
