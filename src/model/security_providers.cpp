#include "model/security_providers.h"

#include "base/list_value.h"

namespace tarn {

namespace {

constexpr wchar_t kControl[] = L"System\\CurrentControlSet\\Control\\";

// Each list with the ATT&CK technique of what it loads.
struct PackageList {
    const wchar_t* key;
    const wchar_t* value;
    const wchar_t* technique;
};
constexpr PackageList kLists[] = {
    {L"Lsa", L"Authentication Packages", L"T1547.002"},
    {L"Lsa", L"Notification Packages", L"T1556.002"},
    {L"Lsa", L"Security Packages", L"T1547.005"},
    {L"Lsa\\OSConfig", L"Security Packages", L"T1547.005"},
    {L"SecurityProviders", kSecurityProvidersValue, L"T1547.005"},
};

}  // namespace

int32_t CTarnAutoRunSecurityProviders::Enumerate() {
    for (const PackageList& list : kLists) {
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", std::wstring(kControl) + list.key,
                         [&](RegKey& key, const ReadContext& live) {
                             ReadContext at = live;
                             at.technique = list.technique;
                             ReadItemList(key, list.value, at);
                         });
    }
    return 0;
}

}  // namespace tarn
