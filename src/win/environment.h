#pragma once

#include <string>

namespace tarn {

// Value of an environment variable of this process; empty when unset.
std::wstring ReadEnvironmentVariable(const wchar_t* name);

}  // namespace tarn
