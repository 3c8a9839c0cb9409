#pragma once

#include "base/key_text.h"

#include <string>

namespace tarn {

// Name of the disabled-entry store beside every key that holds registrations (a subkey), and of
// the kept start type inside a switched-off service's key (a value).
constexpr wchar_t kStoreName[] = L"TarnAutoRunDisable";

// The subfolder of a Startup folder where its files are kept while switched off (Windows starts
// nothing below the Startup folder).
inline std::wstring StartupFileStoreOf(const std::wstring& folder) {
    return JoinKeyText(folder, kStoreName);
}

}  // namespace tarn
