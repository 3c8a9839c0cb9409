#include "model/known_dlls.h"

#include "base/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kKnownDllsPath[] = L"System\\CurrentControlSet\\Control\\Session Manager\\KnownDlls";
constexpr wchar_t kDllDirectory[] = L"DllDirectory";
// Where 32-bit processes of a 64-bit Windows load the same known DLLs from.
constexpr wchar_t kDllDirectory32[] = L"DllDirectory32";

}  // namespace

int32_t CTarnAutoRunKnownDLLs::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kKnownDllsPath,
                     [&](RegKey& key, const ReadContext& at) { ReadKnownDlls(key, at); });
    return 0;
}

std::wstring CTarnAutoRunKnownDLLs::ReadDllDirectory(const wchar_t* name) {
    RegKey key;
    if (!key.OpenRead(HKEY_LOCAL_MACHINE, kKnownDllsPath)) {
        return {};
    }
    const auto value = FindValue(key, name);
    return value.found() ? TextOf(value.item) : std::wstring();
}

std::wstring CTarnAutoRunKnownDLLs::ReadDllDirectory() {
    return ReadDllDirectory(kDllDirectory);
}

void CTarnAutoRunKnownDLLs::ReadKnownDlls(RegKey& key, const ReadContext& at) {
    std::vector<RegValue> values;
    ValuesOf(key, at.location, [&](const RegValue& value) { values.push_back(value); });
    // One list for both views: 32-bit processes load each DLL from their own system folder.
    for (const RegistryView view : kBothViews) {
        if (view == RegistryView::Wow32 && !kTwoRegistryViews) {
            break;
        }
        ReadContext viewAt = at;
        viewAt.view = view;
        std::wstring directory = ReadDllDirectory();
        // Windows 8 and later keep no "DllDirectory": the system loads known DLLs from its own
        // folder, and a list without one must not look empty.
        if (directory.empty()) {
            directory = L"%SystemRoot%\\System32";
        }
        if (view == RegistryView::Wow32) {
            // 32-bit processes take them from their own system folder.
            directory = ReadDllDirectory(kDllDirectory32);
            if (directory.empty()) {
                directory = L"%SystemRoot%\\SysWOW64";
            }
        }
        for (const RegValue& value : values) {
            const std::wstring& valueName = value.name;
            if (SameRegistryName(valueName, kDllDirectory) || SameRegistryName(valueName, kDllDirectory32)) {
                continue;
            }
            const std::wstring data = TextOf(value);
            AutoRunEntry entry = NewEntry(viewAt);
            entry.commandLine = data;
            entry.keyPath = at.location;
            entry.locateKind = LocateValue;
            entry.name = valueName;
            entry.valueName = valueName;
            AddResolved(std::move(entry), JoinKeyText(directory, data), viewAt);
        }
    }
}

}  // namespace tarn
