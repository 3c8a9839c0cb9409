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
// The DLL the sockets layer loads to dial a connection.
constexpr wchar_t kParameters[] = L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters";
constexpr wchar_t kAutodialTechnique[] = L"T1546";

}  // namespace

int32_t CTarnAutoRunWinsock::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kParameters, [&](RegKey& key, const ReadContext& live) {
        ReadContext at = live;
        at.technique = kAutodialTechnique;
        ReadValueEntry(key, at, L"AutodialDLL");
    });
    const auto transports = [&](RegKey& key, const ReadContext& at) { ReadTransportProviders(key, at); };
    const auto nameSpaces = [&](RegKey& key, const ReadContext& at) { ReadNameSpaceProviders(key, at); };
    if (!kTwoRegistryViews) {
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kProtocolCatalog, transports);
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNameSpaceCatalog, nameSpaces);
        return 0;
    }
    const std::wstring suffix = kCatalog64Suffix;
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kProtocolCatalog + suffix, transports);
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNameSpaceCatalog + suffix, nameSpaces);
    // The catalogs without the suffix hold the 32-bit processes' providers.
    const auto as32 = [](auto read) {
        return [read](RegKey& key, const ReadContext& at) {
            ReadContext wow32 = at;
            wow32.view = RegistryView::Wow32;
            read(key, wow32);
        };
    };
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kProtocolCatalog, as32(transports));
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNameSpaceCatalog, as32(nameSpaces));
    return 0;
}

template <typename Read>
void CTarnAutoRunWinsock::ForEachCatalogEntry(RegKey& catalog, const ReadContext& at, Read read) {
    SubKeysOf(catalog, at.location, [&](const std::wstring& entryName) {
        const std::wstring relPath = JoinKeyText(at.walkedPath, entryName);
        RegKey key;
        if (!OpenOrReport(key, HKEY_LOCAL_MACHINE, relPath, JoinKeyText(L"HKLM", relPath))) {
            return;
        }
        AutoRunEntry entry = NewEntry(at);
        entry.keyPath = JoinKeyText(L"HKLM", relPath);
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        entry.subKeyName = entryName;
        read(entry, key);
    });
}

void CTarnAutoRunWinsock::ReadTransportProviders(RegKey& catalog, const ReadContext& at) {
    ForEachCatalogEntry(catalog, at, [&](AutoRunEntry& entry, RegKey& key) {
        const auto record = FindValue(key, L"PackedCatalogItem");
        if (record.failed()) {
            Unreadable(entry.keyPath, key.status());
        }
        if (!record.found()) {
            return;
        }
        // Only the record's leading ANSI path is read; the protocol data after it is not.
        entry.commandLine = AnsiTextOf(record.item);
        entry.name = entry.subKeyName;
        entry.valueName = entry.subKeyName;
        const std::wstring command = entry.commandLine;
        AddResolved(std::move(entry), command, at);
    });
}

void CTarnAutoRunWinsock::ReadNameSpaceProviders(RegKey& catalog, const ReadContext& at) {
    ForEachCatalogEntry(catalog, at, [&](AutoRunEntry& entry, RegKey& key) {
        ValuesOf(key, entry.keyPath, [&](const RegValue& value) {
            if (SameRegistryName(value.name, L"DisplayString")) {
                entry.name = TextOf(value);
            } else if (SameRegistryName(value.name, L"LibraryPath")) {
                entry.commandLine = TextOf(value);
            }
        });
        const std::wstring command = entry.commandLine;
        AddResolved(std::move(entry), command, at);
    });
}

}  // namespace tarn
