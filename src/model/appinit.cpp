#include "model/appinit.h"

#include "base/key_text.h"
#include "base/list_value.h"

namespace tarn {

namespace {

constexpr wchar_t kWindowsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

}  // namespace

int32_t CTarnAutoRunAppInit::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kWindowsPath, [&](RegKey& key, const ReadContext& at) {
        // Splits an "AppInit_DLLs" text into list items of the pass; the value is taken whole
        // when it does not split.
        const auto split = [&](const std::wstring& valueName, const std::wstring& data) {
            return SameRegistryName(valueName, kAppInitValue) && AppendListItems(items_, valueName, data, at);
        };
        ReadListValue(key, kAppInitValue, at.liveKeyText, split, items_, at.pass == 1 ? storePaths_ : livePaths_, at);
    });
    return 0;
}

void CTarnAutoRunAppInit::ClearResults() {
    CTarnAutoRunBase::ClearResults();
    items_.clear();
    livePaths_.clear();
    storePaths_.clear();
}

}  // namespace tarn
