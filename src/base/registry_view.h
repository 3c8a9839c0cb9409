#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

// Which registry view of a 64-bit Windows a registration was found in: the native one, or the
// one 32-bit programs see. A program that runs where there is only one view knows only the first.
enum class RegistryView : int32_t { Native = 0, Wow32 = 32 };

// The 64-bit program runs only on a 64-bit Windows, which keeps both views; the 32-bit program
// refuses to run there, so it meets one view only.
constexpr bool kTwoRegistryViews = sizeof(void*) == 8;

// The views of a key that Windows redirects, in the order they are read.
constexpr RegistryView kBothViews[] = {RegistryView::Native, RegistryView::Wow32};

// Where the 32-bit view of a 64-bit Windows keeps its own copy of a key below HKEY_LOCAL_MACHINE,
// by Microsoft's list of the keys WOW64 redirects and shares (Windows 7 and later): "Software\X"
// at "Software\Wow6432Node\X", a redirected class key "Software\Classes\X" at
// "Software\Classes\Wow6432Node\X". Nothing for a key both views share (everything outside
// "Software", and the shared keys inside it).
std::optional<std::wstring> Wow32PathOf(const std::wstring& machinePath);

// A file path as a 32-bit program's loader meets it: the system folder "<windows>\System32" is
// "<windows>\SysWOW64" (but for the folders Windows exempts), "<windows>\Sysnative" is the real
// System32. `windowsFolder` is the system root; other paths are unchanged.
std::wstring PathSeenBy32BitProcess(const std::wstring& path, const std::wstring& windowsFolder);

}  // namespace tarn
