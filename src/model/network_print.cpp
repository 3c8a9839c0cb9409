#include "model/network_print.h"

#include "model/key_text.h"
#include "model/list_value.h"

namespace tarn {

namespace {

constexpr wchar_t kOrderPath[] = L"SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order";
constexpr wchar_t kServicesPath[] = L"System\\CurrentControlSet\\Services";
constexpr wchar_t kMonitorsPath[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors";
constexpr wchar_t kProviderOrder[] = L"ProviderOrder";

// The text of an open key's value named `valueName` (any letter case); nothing when there is none.
std::optional<std::wstring> ReadNamedString(RegKey& key, const wchar_t* valueName) {
    const auto name = FindValue(key, valueName);
    return name ? std::optional<std::wstring>(key.ReadString(*name)) : std::nullopt;
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
    const auto names = SplitProviderOrder(order.value_or(L""));
    if (names) {
        for (const std::wstring& name : *names) {
            providerNames_.push_back(name);
            RegKey provider;
            if (!provider.OpenRead(HKEY_LOCAL_MACHINE,
                                   JoinKeyText(JoinKeyText(kServicesPath, name), L"NetworkProvider"))) {
                continue;
            }
            if (const auto path = ReadNamedString(provider, L"ProviderPath")) {
                providerPaths_.push_back(*path);
            }
        }
    }
    // A provider without its DLL makes the two lists disagree: then none is listed.
    if (!providerNames_.empty() && providerNames_.size() == providerPaths_.size()) {
        for (std::size_t i = 0; i < providerNames_.size(); ++i) {
            AutoRunEntry& entry = NewEntry();
            entry.name = providerNames_[i];
            entry.commandLine = providerPaths_[i];
            entry.keyPath = results_.locationText;
            entry.valueName = kProviderOrder;
            entry.locateKind = LocateValue;
            if (ResolveCurrent(entry.commandLine)) {
                AddEntry();
            }
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
    results_.pass = 0;
    results_.locationText = JoinKeyText(L"HKLM", kMonitorsPath);
    if (!registry_->OpenRead(HKEY_LOCAL_MACHINE, kMonitorsPath)) {
        return 0;
    }
    monitorPath_ = kMonitorsPath;
    EnumerateOpenKey();
    const std::wstring storePath = JoinKeyText(kMonitorsPath, kStoreName);
    if (registry_->OpenRead(HKEY_LOCAL_MACHINE, storePath)) {
        results_.pass = 1;
        monitorPath_ = storePath;
        EnumerateOpenKey();
    }
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
        if (!driver) {
            return;
        }
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        entry.commandLine = key.ReadString(*driver);
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
