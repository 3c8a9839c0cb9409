#include "model/winsock.h"

#include "base/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kProtocolCatalog[] =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries";
constexpr wchar_t kNameSpaceCatalog[] =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries";
// A 64-bit Windows keeps its own processes' providers in a catalog of their own; the one without
// the suffix then holds the 32-bit processes' providers.
constexpr wchar_t kCatalog64Suffix[] = L"64";

}  // namespace

int32_t CTarnAutoRunWinsock::Enumerate() {
    const auto transports = [&](const std::wstring& walked) { ReadTransportProviders(walked); };
    const auto nameSpaces = [&](const std::wstring& walked) { ReadNameSpaceProviders(walked); };
    if (!kTwoRegistryViews) {
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kProtocolCatalog, transports);
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNameSpaceCatalog, nameSpaces);
        return 0;
    }
    const std::wstring suffix = kCatalog64Suffix;
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kProtocolCatalog + suffix, transports);
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNameSpaceCatalog + suffix, nameSpaces);
    const ViewScope scope(*this, RegistryView::Wow32);
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kProtocolCatalog, transports);
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNameSpaceCatalog, nameSpaces);
    return 0;
}

template <typename Read>
void CTarnAutoRunWinsock::ForEachCatalogEntry(const std::wstring& walkedPath, Read read) {
    ForEachSubKeyName(*registry_, [&](const std::wstring& entryName) {
        NewEntry();
        const std::wstring relPath = JoinKeyText(walkedPath, entryName);
        RegKey key;
        if (key.OpenRead(HKEY_LOCAL_MACHINE, relPath)) {
            read(entryName, relPath, key);
        }
    });
}

void CTarnAutoRunWinsock::ReadTransportProviders(const std::wstring& walkedPath) {
    ForEachCatalogEntry(walkedPath, [&](const std::wstring& entryName, const std::wstring& relPath, RegKey& key) {
        AutoRunEntry& entry = *results_.current;
        const auto record = FindValue(key, L"PackedCatalogItem");
        if (!record.found()) {
            return;
        }
        entry.keyPath = JoinKeyText(L"HKLM", relPath);
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        // Only the record's leading ANSI path is read; the protocol data after it is not.
        entry.commandLine = AnsiTextOf(record.item);
        entry.name = entryName;
        entry.valueName = entryName;
        entry.subKeyName = entryName;
        if (ResolveCurrent(entry.commandLine)) {
            AddEntry();
        }
    });
}

void CTarnAutoRunWinsock::ReadNameSpaceProviders(const std::wstring& walkedPath) {
    ForEachCatalogEntry(walkedPath, [&](const std::wstring& entryName, const std::wstring& relPath, RegKey& key) {
        AutoRunEntry& entry = *results_.current;
        ForEachValue(key, [&](const RegValue& value) {
            entry.keyPath = JoinKeyText(L"HKLM", relPath);
            entry.locateKind = LocateKey;
            entry.entryKind = KindKey;
            if (SameRegistryName(value.name, L"DisplayString")) {
                entry.name = TextOf(value);
            } else if (SameRegistryName(value.name, L"LibraryPath")) {
                entry.commandLine = TextOf(value);
            }
        });
        entry.subKeyName = entryName;
        if (ResolveCurrent(entry.commandLine)) {
            AddEntry();
        }
    });
}

}  // namespace tarn
