#include "model/winsock.h"

#include "base/key_text.h"

namespace tarn {

namespace {

constexpr wchar_t kProtocolCatalog[] =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries";
constexpr wchar_t kNameSpaceCatalog[] =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries";

}  // namespace

int32_t CTarnAutoRunWinsock::Enumerate() {
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kProtocolCatalog,
                     [&](const std::wstring& walked) { ReadTransportProviders(walked); });
    ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", kNameSpaceCatalog,
                     [&](const std::wstring& walked) { ReadNameSpaceProviders(walked); });
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
