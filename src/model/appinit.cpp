#include "model/appinit.h"

#include "base/key_text.h"
#include "base/list_value.h"

namespace tarn {

namespace {

constexpr wchar_t kWindowsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
// Every value a DLL loaded into each process that creates processes.
constexpr wchar_t kAppCertPath[] = L"System\\CurrentControlSet\\Control\\Session Manager\\AppCertDlls";
constexpr wchar_t kAppCertTechnique[] = L"T1546.009";

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
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kAppCertPath, [&](RegKey& key, const ReadContext& live) {
        ReadContext at = live;
        at.technique = kAppCertTechnique;
        ValuesOf(key, at.location, [&](const RegValue& value) { AddValueEntry(value, at); });
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
