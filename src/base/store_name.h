#pragma once

namespace tarn {

// Name of the disabled-entry store beside every key that holds registrations (a subkey), and of
// the kept start type inside a switched-off service's key (a value).
constexpr wchar_t kStoreName[] = L"TarnAutoRunDisable";

}  // namespace tarn
