#include "model/winlogon.h"

#include "base/key_text.h"
#include "base/system_keys.h"

namespace tarn {

namespace {

constexpr wchar_t kDesktopPath[] = L"Control Panel\\Desktop";

}  // namespace

int32_t CTarnAutoRunWinlogon::Enumerate() {
    // The UI host has no store.
    ForEachView(HKEY_LOCAL_MACHINE, kWinlogonPath, [&](const std::wstring& path) {
        results_.pass = 0;
        results_.locationText = JoinKeyText(L"HKLM", path);
        if (registry_->OpenRead(HKEY_LOCAL_MACHINE, path)) {
            ReadUIHost();
        }
    });
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kWinlogonNotifyPath, [&](const std::wstring& walked) {
        notifyPath_ = walked;
        ReadNotifyPackages();
    });
    ReadKeyThenStore(HKEY_CURRENT_USER, L"HKCU", kDesktopPath, [&](const std::wstring&) { EnumerateOpenKey(); });
    return 0;
}

void CTarnAutoRunWinlogon::ReadUIHost() {
    if (const auto value = FindValue(*registry_, L"UIHost"); value.found()) {
        AutoRunEntry& entry = NewEntry();
        entry.keyPath = results_.locationText;
        entry.valueName = value.item.name;
        entry.locateKind = LocateValue;
        results_.locationText = JoinKeyText(results_.locationText, value.item.name);
        entry.name = value.item.name;
        entry.commandLine = TextOf(value.item);
        if (ResolveCurrent(entry.commandLine)) {
            AddEntry();
        }
    }
    registry_->Close();
}

void CTarnAutoRunWinlogon::ReadNotifyPackages() {
    ForEachSubKeyName(*registry_, [&](const std::wstring& package) {
        AutoRunEntry& entry = NewEntry();
        RegKey key;
        if (!key.OpenRead(HKEY_LOCAL_MACHINE, JoinKeyText(notifyPath_, package))) {
            return;
        }
        const auto dllName = FindValue(key, L"DllName");
        if (!dllName.found()) {
            return;
        }
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        entry.commandLine = TextOf(dllName.item);
        entry.keyPath = JoinKeyText(results_.locationText, package);
        entry.name = package;
        entry.subKeyName = package;
        if (ResolveCurrent(entry.commandLine)) {
            AddEntry();
        }
    });
    registry_->Close();
}

int32_t CTarnAutoRunWinlogon::EnumerateOpenKey() {
    if (const auto value = FindValue(*registry_, L"SCRNSAVE.EXE"); value.found()) {
        AutoRunEntry& entry = NewEntry();
        entry.name = value.item.name;
        entry.valueName = value.item.name;
        entry.keyPath = results_.locationText;
        entry.locateKind = LocateValue;
        entry.entryKind = KindValue;
        entry.commandLine = TextOf(value.item);
        if (ResolveCurrent(entry.commandLine)) {
            AddEntry();
        }
    }
    registry_->Close();
    return 0;
}

}  // namespace tarn
