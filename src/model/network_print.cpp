#include "model/network_print.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/store_name.h"
#include "base/system_keys.h"

namespace tarn {

namespace {

constexpr wchar_t kOrderPath[] = L"SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order";
constexpr wchar_t kMonitorsPath[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors";
constexpr wchar_t kProviderOrder[] = L"ProviderOrder";
// Every value names a helper DLL netsh loads.
constexpr wchar_t kNetShPath[] = L"Software\\Microsoft\\NetSh";
constexpr wchar_t kNetShTechnique[] = L"T1546.007";
constexpr wchar_t kEnvironmentsPath[] = L"System\\CurrentControlSet\\Control\\Print\\Environments";
constexpr wchar_t kPrintProvidersPath[] = L"System\\CurrentControlSet\\Control\\Print\\Providers";
constexpr wchar_t kPrintProviderTechnique[] = L"T1547.012";

// The folder below "spool\prtprocs" that holds an environment's print processors.
std::wstring ProcessorFolderOf(const std::wstring& environment) {
    const struct {
        const wchar_t* environment;
        const wchar_t* folder;
    } folders[] = {{L"Windows x64", L"x64"}, {L"Windows NT x86", L"w32x86"}, {L"Windows ARM64", L"arm64"},
                   {L"Windows IA64", L"ia64"}, {L"Windows 4.0", L"win40"}};
    for (const auto& known : folders) {
        if (EqualsNoCaseAscii(environment, known.environment)) {
            return known.folder;
        }
    }
    return environment;
}

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
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNetShPath, [&](RegKey& key, const ReadContext& live) {
        ReadContext at = live;
        at.technique = kNetShTechnique;
        ValuesOf(key, at.location, [&](const RegValue& value) { AddValueEntry(value, at, {}, SystemDllCommand(TextOf(value))); });
    });
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
    // Print processors, per environment, found in that environment's processor folder.
    RegKey environments;
    const std::wstring environmentsText = JoinKeyText(L"HKLM", kEnvironmentsPath);
    if (OpenOrReport(environments, HKEY_LOCAL_MACHINE, kEnvironmentsPath, environmentsText)) {
        SubKeysOf(environments, environmentsText, [&](const std::wstring& environment) {
            const std::wstring path = JoinKeyText(JoinKeyText(kEnvironmentsPath, environment), L"Print Processors");
            const std::wstring folder = L"%SystemRoot%\\System32\\spool\\prtprocs\\" + ProcessorFolderOf(environment);
            ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", path, [&](RegKey& key, const ReadContext& live) {
                ReadContext at = live;
                at.technique = kPrintProviderTechnique;
                ReadSubKeyFiles(key, at, L"Driver", folder);
            });
        });
    }
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kPrintProvidersPath, [&](RegKey& key, const ReadContext& live) {
        ReadContext at = live;
        at.technique = kPrintProviderTechnique;
        ReadSubKeyFiles(key, at, L"Name", L"%SystemRoot%\\System32");
    });
    return 0;
}

}  // namespace tarn
