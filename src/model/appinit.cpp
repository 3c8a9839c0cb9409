#include "model/appinit.h"

#include "base/key_text.h"
#include "base/list_value.h"

namespace tarn {

namespace {

constexpr wchar_t kWindowsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

}  // namespace

int32_t CTarnAutoRunAppInit::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kWindowsPath, [&](const std::wstring&) { EnumerateOpenKey(); });
    return 0;
}

int32_t CTarnAutoRunAppInit::EnumerateOpenKey() {
    const auto split = [this](const std::wstring& valueName, const std::wstring& data) {
        return SplitAppInitValue(valueName, data);
    };
    ReadListValue(kAppInitValue, liveKeyText(), split, items_, results_.pass == 1 ? storePaths_ : livePaths_);
    return 0;
}

void CTarnAutoRunAppInit::ClearResults() {
    CTarnAutoRunBase::ClearResults();
    items_.clear();
    livePaths_.clear();
    storePaths_.clear();
}

bool CTarnAutoRunAppInit::SplitAppInitValue(const std::wstring& valueName, const std::wstring& data) {
    return SameRegistryName(valueName, kAppInitValue) && AppendListItems(items_, valueName, data);
}

}  // namespace tarn
