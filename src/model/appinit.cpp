#include "model/appinit.h"

#include "model/key_text.h"
#include "model/list_value.h"

namespace tarn {

namespace {

constexpr wchar_t kWindowsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

}  // namespace

int32_t CTarnAutoRunAppInit::Enumerate() {
    results_.pass = 0;
    results_.locationText = JoinKeyText(L"HKLM", kWindowsPath);
    if (!registry_->OpenRead(HKEY_LOCAL_MACHINE, kWindowsPath)) {
        return 0;
    }
    EnumerateOpenKey();
    if (!registry_->OpenRead(HKEY_LOCAL_MACHINE, JoinKeyText(kWindowsPath, kStoreName))) {
        return 0;
    }
    results_.pass = 1;
    EnumerateOpenKey();
    return 0;
}

int32_t CTarnAutoRunAppInit::EnumerateOpenKey() {
    const auto split = [this](const std::wstring& valueName, const std::wstring& data) {
        return SplitAppInitValue(valueName, data);
    };
    ReadListValue(kAppInitValue, JoinKeyText(L"HKLM", kWindowsPath), split, items_,
                  results_.pass == 1 ? storePaths_ : livePaths_);
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
