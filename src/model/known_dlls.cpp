#include "model/known_dlls.h"

#include "base/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kKnownDllsPath[] = L"System\\CurrentControlSet\\Control\\Session Manager\\KnownDlls";
constexpr wchar_t kDllDirectory[] = L"DllDirectory";

}  // namespace

int32_t CTarnAutoRunKnownDLLs::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kKnownDllsPath, [&](const std::wstring&) { EnumerateOpenKey(); });
    return 0;
}

std::wstring CTarnAutoRunKnownDLLs::ReadDllDirectory() {
    RegKey key;
    if (!key.OpenRead(HKEY_LOCAL_MACHINE, kKnownDllsPath)) {
        return {};
    }
    const auto value = FindValue(key, kDllDirectory);
    return value.found() ? TextOf(value.item) : std::wstring();
}

int32_t CTarnAutoRunKnownDLLs::EnumerateOpenKey() {
    const std::wstring directory = ReadDllDirectory();
    ForEachValue(*registry_, [&](const RegValue& value) {
        const std::wstring& valueName = value.name;
        const std::wstring data = TextOf(value);
        AutoRunEntry& entry = NewEntry();
        entry.commandLine = data;
        entry.keyPath = results_.locationText;
        entry.locateKind = LocateValue;
        if (SameRegistryName(valueName, kDllDirectory)) {
            return;
        }
        if (ResolveCurrent(JoinKeyText(directory, data))) {
            entry.name = valueName;
            entry.valueName = valueName;
            AddEntry();
        }
    });
    registry_->Close();
    return 0;
}

}  // namespace tarn
