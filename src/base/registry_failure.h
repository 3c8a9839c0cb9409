#pragma once

#include <string>

namespace tarn {

// Why a place could not be read, as the reports and the window say it: the system's error code,
// named where it is a common one.
std::wstring RegistryFailureText(long code);

}  // namespace tarn
