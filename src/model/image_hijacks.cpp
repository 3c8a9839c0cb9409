#include "model/image_hijacks.h"

#include "base/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kOptionsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";

}  // namespace

int32_t CTarnAutoRunImageHijacks::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kOptionsPath, [&](const std::wstring&) { EnumerateOpenKey(); });
    return 0;
}

int32_t CTarnAutoRunImageHijacks::EnumerateOpenKey() {
    ForEachSubKeyName(*registry_, [&](const std::wstring& name) {
        AutoRunEntry& entry = NewEntry();
        entry.name = name;
        entry.subKeyName = name;
        RegKey options;
        if (!options.OpenRead(registry_->handle(), name)) {
            return;
        }
        const auto debugger = FindValue(options, L"Debugger");
        if (!debugger.found()) {
            return;
        }
        entry.keyPath = JoinKeyText(results_.locationText, name);
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        const std::wstring data = TextOf(debugger.item);
        entry.commandLine = data;
        if (ResolveCurrent(data)) {
            AddEntry();
        }
    });
    registry_->Close();
    return 0;
}

}  // namespace tarn
