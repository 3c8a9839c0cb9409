#include "model/network_print.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/system_keys.h"

namespace tarn {

namespace {

constexpr wchar_t kOrderPath[] = L"SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order";
constexpr wchar_t kMonitorsPath[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors";
constexpr wchar_t kProviderOrder[] = L"ProviderOrder";

// The text of an open key's value named `valueName` (any letter case); nothing when there is none.
std::optional<std::wstring> ReadNamedString(RegKey& key, const wchar_t* valueName) {
    const auto value = FindValue(key, valueName);
    return value.found() ? std::optional<std::wstring>(TextOf(value.item)) : std::nullopt;
}

}  // namespace

int32_t CTarnAutoRunNetWork::Enumerate() {
    // Providers have no store: one switched off is simply not listed.
    ReadKeyWithoutStore(HKEY_LOCAL_MACHINE, L"HKLM", kOrderPath,
                        [&](RegKey& key, const ReadContext& at) { ReadProviders(key, at); });
    return 0;
}

void CTarnAutoRunNetWork::ReadProviders(RegKey& key, const ReadContext& at) {
    const auto order = FindValue(key, kProviderOrder);
    if (order.failed()) {
        Unreadable(at.location, key.status());
    }
    // Each named provider is paired with its own DLL by name: one without a DLL hides no other.
    for (const std::wstring& name : SplitProviderOrder(order.found() ? TextOf(order.item) : L"")) {
        const std::wstring providerKey = JoinKeyText(JoinKeyText(kServicesPath, name), L"NetworkProvider");
        RegKey provider;
        if (!OpenOrReport(provider, HKEY_LOCAL_MACHINE, providerKey, JoinKeyText(L"HKLM", providerKey))) {
            continue;
        }
        const auto path = ReadNamedString(provider, L"ProviderPath");
        if (!path) {
            continue;
        }
        providerPaths_.push_back(*path);
        AutoRunEntry entry = NewEntry(at);
        entry.name = name;
        entry.commandLine = *path;
        entry.keyPath = at.location;
        entry.valueName = kProviderOrder;
        entry.locateKind = LocateValue;
        AddResolved(std::move(entry), *path, at);
    }
}

void CTarnAutoRunNetWork::ClearResults() {
    CTarnAutoRunBase::ClearResults();
    providerPaths_.clear();
}

int32_t CTarnAutoRunPrint::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kMonitorsPath,
                     [&](RegKey& key, const ReadContext& at) { ReadSubKeyFiles(key, at, L"Driver"); });
    return 0;
}

}  // namespace tarn
