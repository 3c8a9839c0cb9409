#pragma once

#include <string>

namespace tarn {

// Why a place could not be read, as the reports and the window say it: the system's error code,
// named where it is a common one.
std::wstring RegistryFailureText(long code);

// An HRESULT as the reports show it: "0x8004100E".
std::wstring HresultText(long hr);

}  // namespace tarn
