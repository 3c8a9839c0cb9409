#include "model/winlogon.h"

#include "base/key_text.h"
#include "base/system_keys.h"

namespace tarn {

namespace {

constexpr wchar_t kDesktopPath[] = L"Control Panel\\Desktop";

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
    ReadKeyThenStore(HKEY_CURRENT_USER, L"HKCU", kDesktopPath, [&](RegKey& key, const ReadContext& at) {
        ReadNamedValue(key, at, L"SCRNSAVE.EXE", KindValue, false);
    });
    return 0;
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
