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
    results_.pass = 0;
    results_.locationText = JoinKeyText(L"HKLM", kOrderPath);
    if (registry_->OpenRead(HKEY_LOCAL_MACHINE, kOrderPath)) {
        EnumerateOpenKey();
    }
    registry_->Close();
    return 0;
}

int32_t CTarnAutoRunNetWork::EnumerateOpenKey() {
    const auto order = ReadNamedString(*registry_, kProviderOrder);
    // Each named provider is paired with its own DLL by name: one without a DLL hides no other.
    for (const std::wstring& name : SplitProviderOrder(order.value_or(L""))) {
        providerNames_.push_back(name);
        RegKey provider;
        if (!provider.OpenRead(HKEY_LOCAL_MACHINE, JoinKeyText(JoinKeyText(kServicesPath, name), L"NetworkProvider"))) {
            continue;
        }
        const auto path = ReadNamedString(provider, L"ProviderPath");
        if (!path) {
            continue;
        }
        providerPaths_.push_back(*path);
        AutoRunEntry& entry = NewEntry();
        entry.name = name;
        entry.commandLine = *path;
        entry.keyPath = results_.locationText;
        entry.valueName = kProviderOrder;
        entry.locateKind = LocateValue;
        if (ResolveCurrent(entry.commandLine)) {
            AddEntry();
        }
    }
    registry_->Close();
    return 0;
}

void CTarnAutoRunNetWork::ClearResults() {
    CTarnAutoRunBase::ClearResults();
    providerNames_.clear();
    providerPaths_.clear();
}

int32_t CTarnAutoRunPrint::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kMonitorsPath, [&](const std::wstring& walked) {
        monitorPath_ = walked;
        EnumerateOpenKey();
    });
    return 0;
}

int32_t CTarnAutoRunPrint::EnumerateOpenKey() {
    ForEachSubKeyName(*registry_, [&](const std::wstring& monitor) {
        AutoRunEntry& entry = NewEntry();
        RegKey key;
        if (!key.OpenRead(HKEY_LOCAL_MACHINE, JoinKeyText(monitorPath_, monitor))) {
            return;
        }
        const auto driver = FindValue(key, L"Driver");
        if (!driver.found()) {
            return;
        }
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        entry.commandLine = TextOf(driver.item);
        entry.keyPath = JoinKeyText(results_.locationText, monitor);
        entry.name = monitor;
        entry.subKeyName = monitor;
        if (ResolveCurrent(entry.commandLine)) {
            AddEntry();
        }
    });
    registry_->Close();
    return 0;
}

}  // namespace tarn
