#pragma once

#include <optional>
#include <string>

namespace tarn {

// Value of an environment variable of this process; empty when unset.
std::wstring ReadEnvironmentVariable(const wchar_t* name);

// The text with its %NAME% references expanded from this process's environment; nothing when
// the expansion fails.
std::optional<std::wstring> ExpandEnvironmentText(const std::wstring& text);

}  // namespace tarn
