#include "model/winlogon.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "base/system_keys.h"
#include "model/com_class.h"

namespace tarn {

namespace {

constexpr wchar_t kDesktopPath[] = L"Control Panel\\Desktop";
// The logon UI's providers: each subkey names a class whose server the logon process loads.
constexpr const wchar_t* kProviderLists[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Provider Filters",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\PLAP Providers",
};
constexpr wchar_t kProviderTechnique[] = L"T1556";

}  // namespace

int32_t CTarnAutoRunWinlogon::Enumerate() {
    // The UI host has no store.
    ForEachView(HKEY_LOCAL_MACHINE, kWinlogonPath, [&](const std::wstring& path, RegistryView view) {
        ReadKeyWithoutStore(
            HKEY_LOCAL_MACHINE, L"HKLM", path,
            [&](RegKey& key, const ReadContext& at) { ReadNamedValue(key, at, L"UIHost", 0, true); }, view);
    });
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kWinlogonNotifyPath,
                     [&](RegKey& key, const ReadContext& at) { ReadSubKeyFiles(key, at, L"DllName"); });
    ReadUserKeyThenStore(kDesktopPath, [&](RegKey& key, const ReadContext& at) {
        ReadNamedValue(key, at, L"SCRNSAVE.EXE", KindValue, false);
    });
    for (const wchar_t* list : kProviderLists) {
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", list, [&](RegKey& key, const ReadContext& live) {
            ReadContext at = live;
            at.technique = kProviderTechnique;
            ReadProviders(key, at);
        });
    }
    return 0;
}

void CTarnAutoRunWinlogon::ReadProviders(RegKey& key, const ReadContext& at) {
    SubKeysOf(key, at.location, [&](const std::wstring& clsid) {
        if (SameRegistryName(clsid, kStoreName)) {
            return;
        }
        RegKey provider;
        const std::wstring place = JoinKeyText(at.location, clsid);
        if (!OpenOrReport(provider, key.handle(), clsid, place)) {
            return;
        }
        AutoRunEntry entry = NewEntry(at);
        entry.subKeyName = clsid;
        entry.keyPath = place;
        entry.entryKind = KindKey;
        entry.locateKind = LocateKey;
        const auto name = ReadDefaultValue(provider);
        entry.name = name && !name->empty() ? *name : ClassName(clsid, at.view).value_or(clsid);
        entry.commandLine = JoinKeyText(L"HKCR", ClassKeyOfView(clsid, at.view));
        if (const auto dll = ClassServerDll(clsid, at.view)) {
            AddResolved(std::move(entry), *dll, at);
        }
    });
}

void CTarnAutoRunWinlogon::ReadNamedValue(RegKey& key,
                                          const ReadContext& at,
                                          const wchar_t* valueName,
                                          int32_t entryKind,
                                          bool locatedAtValue) {
    const auto value = FindValue(key, valueName);
    if (value.failed()) {
        Unreadable(at.location, key.status());
    }
    if (!value.found()) {
        return;
    }
    AutoRunEntry entry = NewEntry(at);
    entry.name = value.item.name;
    entry.valueName = value.item.name;
    entry.keyPath = at.location;
    entry.locateKind = LocateValue;
    entry.entryKind = entryKind;
    entry.commandLine = TextOf(value.item);
    ReadContext valueAt = at;
    if (locatedAtValue) {
        valueAt.location = JoinKeyText(at.location, value.item.name);
    }
    const std::wstring command = entry.commandLine;
    AddResolved(std::move(entry), command, valueAt);
}

}  // namespace tarn
