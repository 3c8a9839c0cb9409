#include "model/image_hijacks.h"

#include "base/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kOptionsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";

}  // namespace

int32_t CTarnAutoRunImageHijacks::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kOptionsPath,
                     [&](RegKey& key, const ReadContext& at) { ReadDebuggers(key, at); });
    return 0;
}

void CTarnAutoRunImageHijacks::ReadDebuggers(RegKey& key, const ReadContext& at) {
    SubKeysOf(key, at.location, [&](const std::wstring& name) {
        RegKey options;
        if (!OpenOrReport(options, key.handle(), name, JoinKeyText(at.location, name))) {
            return;
        }
        const auto debugger = FindValue(options, L"Debugger");
        if (debugger.failed()) {
            Unreadable(JoinKeyText(at.location, name), options.status());
        }
        if (!debugger.found()) {
            return;
        }
        AutoRunEntry entry = NewEntry(at);
        entry.name = name;
        entry.subKeyName = name;
        entry.keyPath = JoinKeyText(at.location, name);
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        entry.commandLine = TextOf(debugger.item);
        const std::wstring command = entry.commandLine;
        AddResolved(std::move(entry), command, at);
    });
}

}  // namespace tarn
