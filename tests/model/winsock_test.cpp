#include "fileinfo/machine_files.h"
#include "model/winsock.h"

#include "base/registry_view.h"

#include "support/category_fixture.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using test::CategoryTest;
using test::Describe;
using test::Expected;
using test::Names;
using test::WriteString;
using test::WriteValue;

// The catalogs of this program's own processes: a 64-bit Windows keeps them apart, with "64".
const std::wstring kOwnCatalog = kTwoRegistryViews ? L"64" : L"";
const std::wstring kProtocols =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries" + kOwnCatalog;
const std::wstring kNameSpaces =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries" + kOwnCatalog;

// A catalog record: the provider path as 8-bit text, its zero byte, then protocol data.
std::string PackedItem(const std::string& path) {
    std::string record = path;
    record.push_back('\0');
    record.append(std::string(300, '\x7f'));
    return record;
}

class WinsockTest : public CategoryTest {
protected:
    void WriteRecord(const std::wstring& entry, const std::string& record) {
        WriteValue(HKEY_LOCAL_MACHINE, kProtocols + L"\\" + entry, L"PackedCatalogItem", REG_BINARY, record.data(),
                   static_cast<DWORD>(record.size()));
    }

    CTarnAutoRunWinsock winsock{MachineFiles()};
};

TEST_F(WinsockTest, TransportProvidersFromTheLeadingAnsiPath) {
    File(L"WINDOWS\\system32\\mswsock.dll");
    for (const wchar_t* entry : {L"000000000001", L"000000000002", L"000000000003"}) {
        WriteRecord(entry, PackedItem("%SystemRoot%\\system32\\mswsock.dll"));
    }
    winsock.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"000000000001", L"000000000002", L"000000000003"}), Names(winsock));
    const std::wstring location = L"HKLM\\" + kProtocols;
    EXPECT_EQ(Describe(Expected{L"000000000002", L"%SystemRoot%\\system32\\mswsock.dll",
                                root + L"\\system32\\mswsock.dll", location, location + L"\\000000000002",
                                L"000000000002", L"000000000002", KindKey, LocateKey}),
              Describe(*winsock.results().entries[1]));
    for (const auto& entry : winsock.results().entries) {
        EXPECT_EQ(root + L"\\system32\\mswsock.dll", entry->imagePath);
    }
}

TEST_F(WinsockTest, MalformedRecordsNeitherCrashNorReadPastTheData) {
    const std::wstring dll = File(L"raw\\provider.dll");
    std::string noZero;
    for (wchar_t c : dll) {
        noZero.push_back(static_cast<char>(c));
    }
    WriteRecord(L"000000000010", noZero);  // a path with no zero byte after it: the bytes there
    WriteRecord(L"000000000011", std::string(70000, 'A'));
    WriteRecord(L"000000000012", std::string(1, 'c'));
    WriteRecord(L"000000000013", std::string());
    WriteRecord(L"000000000014", std::string("\0\0\0", 3));
    winsock.Enumerate();
    ASSERT_EQ(std::vector<std::wstring>{L"000000000010"}, Names(winsock));
    EXPECT_EQ(dll, winsock.results().entries[0]->commandLine);
}

TEST_F(WinsockTest, NameSpaceProvidersAndStoredEntries) {
    const std::wstring dll = File(L"WINDOWS\\system32\\nsp.dll");
    WriteString(HKEY_LOCAL_MACHINE, kNameSpaces + L"\\000000000001", L"DisplayString", L"Tarn name space");
    WriteString(HKEY_LOCAL_MACHINE, kNameSpaces + L"\\000000000001", L"LibraryPath",
                L"%SystemRoot%\\system32\\nsp.dll");
    WriteString(HKEY_LOCAL_MACHINE, kNameSpaces + L"\\000000000002", L"LibraryPath", dll);
    WriteString(HKEY_LOCAL_MACHINE, kNameSpaces + L"\\TarnAutoRunDisable\\000000000009", L"LibraryPath", dll);
    WriteRecord(L"000000000001", PackedItem("c:\\gone\\missing.dll"));
    winsock.Enumerate();
    ASSERT_EQ(3u, winsock.results().entries.size());
    const std::wstring location = L"HKLM\\" + kNameSpaces;
    EXPECT_EQ(Describe(Expected{L"Tarn name space", L"%SystemRoot%\\system32\\nsp.dll", root + L"\\system32\\nsp.dll",
                                location, location + L"\\000000000001", L"", L"000000000001", KindKey, LocateKey}),
              Describe(*winsock.results().entries[0]));
    EXPECT_EQ(L"", winsock.results().entries[1]->name);  // no display string
    // A stored entry names its own subkey inside the store.
    EXPECT_EQ(Describe(Expected{L"", dll, LowerAscii(dll), location, location + L"\\TarnAutoRunDisable\\000000000009",
                                L"", L"000000000009", KindKey, LocateKey, EntryDisabled}),
              Describe(*winsock.results().entries[2]));
}

TEST_F(WinsockTest, MissingCatalogsGiveNothing) {
    winsock.Enumerate();
    EXPECT_TRUE(winsock.results().entries.empty());
}

}  // namespace
}  // namespace tarn
