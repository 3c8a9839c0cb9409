#include "model/winlogon.h"

#include "model/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kWinlogonPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kNotifyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
constexpr wchar_t kDesktopPath[] = L"Control Panel\\Desktop";

}  // namespace

int32_t CTarnAutoRunWinlogon::Enumerate() {
    // The UI host has no store.
    results_.pass = 0;
    results_.locationText = JoinKeyText(L"HKLM", kWinlogonPath);
    if (registry_->OpenRead(HKEY_LOCAL_MACHINE, kWinlogonPath)) {
        ReadUIHost();
    }

    results_.pass = 0;
    results_.locationText = JoinKeyText(L"HKLM", kNotifyPath);
    if (registry_->OpenRead(HKEY_LOCAL_MACHINE, kNotifyPath)) {
        notifyPath_ = kNotifyPath;
        ReadNotifyPackages();
        const std::wstring storePath = JoinKeyText(kNotifyPath, kStoreName);
        if (registry_->OpenRead(HKEY_LOCAL_MACHINE, storePath)) {
            results_.pass = 1;
            notifyPath_ = storePath;
            ReadNotifyPackages();
        }
    }

    results_.pass = 0;
    results_.locationText = JoinKeyText(L"HKCU", kDesktopPath);
    if (registry_->OpenRead(HKEY_CURRENT_USER, kDesktopPath)) {
        EnumerateOpenKey();
        if (registry_->OpenRead(HKEY_CURRENT_USER, JoinKeyText(kDesktopPath, kStoreName))) {
            results_.pass = 1;
            EnumerateOpenKey();
        }
    }
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
