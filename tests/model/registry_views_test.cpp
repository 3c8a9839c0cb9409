// The 64-bit program on a 64-bit Windows: what 32-bit programs registered in their own view of the
// registry is listed once, at its Wow6432Node place, with the file a 32-bit process loads; keys both
// views share are read once; switching a 32-bit registration never touches the 64-bit one.
#include "base/registry_view.h"
#include "fileinfo/file_facts_cache.h"
#include "fileinfo/machine_files.h"
#include "model/appinit.h"
#include "model/explorer.h"
#include "model/image_hijacks.h"
#include "model/internet.h"
#include "model/known_dlls.h"
#include "model/logon.h"
#include "model/winsock.h"
#include "state/state_changes.h"

#include "support/category_fixture.h"
#include "support/class_registration.h"
#include "support/test_paths.h"
#include "support/registry_paths.h"

#include "base/key_text.h"
#include "base/registry_data.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::ClassesRootWriter;
using test::ReadRaw;
using test::RegisterComClass;
using test::WriteString;

const std::wstring kProtocols =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries";
const std::wstring kA = L"{A0000000-0000-0000-0000-0000000000A2}";
const std::wstring kB = L"{B0000000-0000-0000-0000-0000000000B2}";

std::wstring Wow(const std::wstring& path) {
    return Wow32PathOf(path).value_or(L"(shared)");
}

// What the records say of their views: "32" or "64", name, location and file, in lower case (the
// registry's letter case is not the question here), in no particular order.
std::multiset<std::wstring> Views(const CTarnAutoRunBase& enumerator) {
    std::multiset<std::wstring> lines;
    for (const auto& entry : enumerator.results().entries) {
        lines.insert(LowerAscii(std::to_wstring(ViewBits(*entry)) + L" " + entry->name + L" | " + entry->location +
                                L" | " + entry->imagePath));
    }
    return lines;
}

std::multiset<std::wstring> Lines(std::initializer_list<std::wstring> lines) {
    std::multiset<std::wstring> lowered;
    for (const std::wstring& line : lines) {
        lowered.insert(LowerAscii(line));
    }
    return lowered;
}

// The record of a view whose file is `path`.
const AutoRunEntry* RecordOf(const CTarnAutoRunBase& enumerator, const std::wstring& path) {
    for (const auto& entry : enumerator.results().entries) {
        if (LowerAscii(entry->imagePath) == LowerAscii(path)) {
            return entry.get();
        }
    }
    return nullptr;
}

class RegistryViewsTest : public CategoryTest {
protected:
    RegistryViewsTest() : CategoryTest(true) {}

    void SetUp() override {
        if (!kTwoRegistryViews) {
            GTEST_SKIP() << "the 32-bit program runs where there is one registry view only";
        }
    }

    // The same file name in the system folder of each view, of different sizes.
    std::wstring SystemFiles(const std::wstring& name) {
        scratch.AddFile(L"WINDOWS\\SysWOW64\\" + name, 3 * 1024);
        return scratch.AddFile(L"WINDOWS\\System32\\" + name, 1024);
    }
    std::wstring In32(const std::wstring& systemPath) const {
        return LowerAscii(PathSeenBy32BitProcess(systemPath, root));
    }

    test::ScopedEnvironment programFiles32{L"ProgramFiles(x86)", scratch / L"Program Files (x86)"};
};

TEST_F(RegistryViewsTest, RunValuesOfEachViewAreTheirOwnWithTheFileTheirProcessLoads) {
    const std::wstring tool = SystemFiles(L"tool.exe");
    const std::wstring only32 = scratch.AddFile(L"Program Files (x86)\\Old\\old.exe");
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Tool", tool);
    WriteString(HKEY_LOCAL_MACHINE, Wow(kRun), L"Tool", tool);
    WriteString(HKEY_LOCAL_MACHINE, Wow(kRun), L"Old", L"%ProgramFiles%\\Old\\old.exe");
    WriteString(HKEY_LOCAL_MACHINE, kPoliciesRun, L"Policy", tool);  // a key both views share
    CTarnAutoRunLogon logon{MachineFiles()};
    logon.Enumerate();
    EXPECT_EQ(Lines({
                  L"64 Tool | HKLM\\" + kRun + L" | " + LowerAscii(tool),
                  L"32 Tool | HKLM\\" + Wow(kRun) + L" | " + In32(tool),
                  L"32 Old | HKLM\\" + Wow(kRun) + L" | " + LowerAscii(only32),
                  L"64 Policy | HKLM\\" + kPoliciesRun + L" | " + LowerAscii(tool),
              }),
              Views(logon));
    ASSERT_NE(nullptr, RecordOf(logon, In32(tool)));
    EXPECT_EQ(1, RecordOf(logon, tool)->sizeKB);
    EXPECT_EQ(3, RecordOf(logon, In32(tool))->sizeKB);  // the SysWOW64 file's facts
}

TEST_F(RegistryViewsTest, TheFactsAreThoseOfThe32BitSystemFoldersFile) {
    const std::wstring plain = scratch.AddFile(L"WINDOWS\\System32\\helper.dll", 5000);
    scratch.AddFolder(L"WINDOWS\\SysWOW64");
    ASSERT_TRUE(::CopyFileW(test::FixturePath(L"ver_two_translations.exe").c_str(),
                            (scratch / L"WINDOWS\\SysWOW64\\helper.dll").c_str(), FALSE));
    WriteString(HKEY_LOCAL_MACHINE, Wow(kRun), L"Helper", plain);
    CTarnAutoRunLogon logon{MachineFiles()};
    logon.Enumerate();
    ASSERT_EQ(1u, logon.results().entries.size());
    const AutoRunEntry& entry = *logon.results().entries[0];
    const FileFacts facts = ReadFileFacts(In32(plain));
    EXPECT_EQ(In32(plain), entry.imagePath);
    EXPECT_EQ(facts.sizeKB, entry.sizeKB);
    EXPECT_EQ(facts.fileVersion, entry.fileVersion);
    EXPECT_NE(ReadFileFacts(plain).sizeKB, entry.sizeKB);
    EXPECT_FALSE(entry.fileVersion.empty());
}

TEST_F(RegistryViewsTest, ClassesAreLookedUpInTheViewOfTheListOrInBothForASharedList) {
    const std::wstring dll64 = scratch.AddFile(L"ext64.dll");
    const std::wstring dll32 = scratch.AddFile(L"ext32.dll");
    RegisterComClass(ClassesRootWriter(), L"", kA, L"Both", dll64);
    RegisterComClass(ClassesRootWriter(), L"Wow6432Node", kA, L"Both", dll32);
    RegisterComClass(ClassesRootWriter(), L"Wow6432Node", kB, L"Only 32", dll32);
    WriteString(HKEY_LOCAL_MACHINE, Wow(kDelayLoad), L"Delayed", kB);  // a list of the 32-bit view
    test::CreateKey(HKEY_LOCAL_MACHINE, kFileMenus + L"\\" + kA);      // a list both views share
    test::CreateKey(HKEY_LOCAL_MACHINE, kFileMenus + L"\\" + kB);
    CTarnAutoRunExplorer explorer{MachineFiles()};
    explorer.Enumerate();
    EXPECT_EQ(Lines({
                  L"32 Delayed | HKLM\\" + Wow(kDelayLoad) + L" | " + LowerAscii(dll32),
                  L"64 Both | HKLM\\" + kFileMenus + L" | " + LowerAscii(dll64),
                  L"32 Both | HKLM\\" + kFileMenus + L" | " + LowerAscii(dll32),
                  L"32 Only 32 | HKLM\\" + kFileMenus + L" | " + LowerAscii(dll32),
              }),
              Views(explorer));
    ASSERT_FALSE(explorer.results().entries.empty());
    EXPECT_EQ(L"HKCR\\Wow6432Node\\CLSID\\" + kB, explorer.results().entries[0]->commandLine);

    test::CreateKey(HKEY_LOCAL_MACHINE, Wow(kHelpers) + L"\\" + kB);
    CTarnAutoRunInternet internet{MachineFiles()};
    internet.Enumerate();
    EXPECT_EQ(Lines({L"32 Only 32 | HKLM\\" + Wow(kHelpers) + L" | " + LowerAscii(dll32)}), Views(internet));
}

TEST_F(RegistryViewsTest, ListsAndCatalogsOfThe32BitViewResolveInItsSystemFolder) {
    SystemFiles(L"a.dll");
    SystemFiles(L"b.dll");
    const std::wstring provider = SystemFiles(L"provider.dll");
    const std::wstring known = SystemFiles(L"known.dll");
    WriteString(HKEY_LOCAL_MACHINE, Wow(kWindows), L"AppInit_DLLs", L"a.dll,b.dll");
    CTarnAutoRunAppInit appInit{MachineFiles()};
    appInit.Enumerate();
    const std::wstring key = L"HKLM\\" + Wow(kWindows);
    EXPECT_EQ(Lines({L"32 AppInit_DLLs | " + key + L"\\AppInit_DLLs | " + In32(root + L"\\System32\\a.dll"),
                     L"32 AppInit_DLLs | " + key + L"\\AppInit_DLLs | " + In32(root + L"\\System32\\b.dll")}),
              Views(appInit));

    // Catalog_Entries holds the 32-bit processes' providers, Catalog_Entries64 the 64-bit ones.
    std::string record = "%SystemRoot%\\system32\\provider.dll";
    record.append(40, '\0');
    for (const std::wstring& catalog : {kProtocols, kProtocols + L"64"}) {
        test::WriteValue(HKEY_LOCAL_MACHINE, catalog + L"\\000000000001", L"PackedCatalogItem", REG_BINARY,
                         record.data(), static_cast<DWORD>(record.size()));
    }
    CTarnAutoRunWinsock winsock{MachineFiles()};
    winsock.Enumerate();
    EXPECT_EQ(Lines({L"64 000000000001 | HKLM\\" + kProtocols + L"64 | " + LowerAscii(provider),
                     L"32 000000000001 | HKLM\\" + kProtocols + L" | " + In32(provider)}),
              Views(winsock));

    // One list of known DLLs: 32-bit processes load them from their own system folder.
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls, L"DllDirectory", L"%SystemRoot%\\System32");
    WriteString(HKEY_LOCAL_MACHINE, kKnownDlls, L"known", L"known.dll");
    CTarnAutoRunKnownDLLs knownDlls{MachineFiles()};
    knownDlls.Enumerate();
    EXPECT_EQ(Lines({L"64 known | HKLM\\" + kKnownDlls + L" | " + LowerAscii(known),
                     L"32 known | HKLM\\" + kKnownDlls + L" | " + In32(known)}),
              Views(knownDlls));
}

TEST_F(RegistryViewsTest, AKeyBothViewsShareIsReadOnce) {
    const std::wstring debugger = scratch.AddFile(L"dbg.exe");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\victim.exe", L"Debugger", debugger);
    CTarnAutoRunImageHijacks hijacks{MachineFiles()};
    hijacks.Enumerate();
    EXPECT_EQ(Lines({L"64 victim.exe | HKLM\\" + kOptions + L" | " + LowerAscii(debugger)}), Views(hijacks));
}

TEST_F(RegistryViewsTest, SwitchingA32BitRegistrationLeavesThe64BitOneOfThatNameAsItWas) {
    const std::wstring tool = SystemFiles(L"tool.exe");
    SystemFiles(L"a.dll");
    const std::wstring dll32 = scratch.AddFile(L"ext32.dll");
    RegisterComClass(ClassesRootWriter(), L"Wow6432Node", kB, L"Ext", dll32);
    for (const std::wstring& path : {kRun, Wow(kRun)}) {
        WriteString(HKEY_LOCAL_MACHINE, path, L"Tool", tool);
    }
    for (const std::wstring& path : {kDelayLoad, Wow(kDelayLoad)}) {
        WriteString(HKEY_LOCAL_MACHINE, path, L"Delayed", kB);
    }
    for (const std::wstring& path : {kWindows, Wow(kWindows)}) {
        WriteString(HKEY_LOCAL_MACHINE, path, L"AppInit_DLLs", L"a.dll,x.dll");
    }
    const auto raw64 = [] {
        return std::vector<std::optional<test::RawValue>>{ReadRaw(HKEY_LOCAL_MACHINE, kRun, L"Tool"),
                                                          ReadRaw(HKEY_LOCAL_MACHINE, kDelayLoad, L"Delayed"),
                                                          ReadRaw(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs")};
    };
    const auto before = raw64();
    CTarnAutoRunLogon logon{MachineFiles()};
    CTarnAutoRunExplorer explorer{MachineFiles()};
    CTarnAutoRunAppInit appInit{MachineFiles()};
    auto the32Bit = [](CTarnAutoRunBase& enumerator) {
        enumerator.ClearResults();
        enumerator.Enumerate();
        for (const auto& entry : enumerator.results().entries) {
            if (IsWow32Entry(*entry)) {
                return *entry;
            }
        }
        ADD_FAILURE() << "no record of the 32-bit view";
        return AutoRunEntry{};
    };
    CAutoRunStateChanges changes;
    const AutoRunEntry run = the32Bit(logon);
    EXPECT_EQ(1, changes.DisableValue(run.location, run.name, run.entryKind));
    EXPECT_TRUE(ReadRaw(HKEY_LOCAL_MACHINE, Wow(kRun) + L"\\TarnAutoRunDisable", L"Tool"));
    EXPECT_EQ(1, changes.EnableValue(run.location, run.name, run.entryKind));
    const AutoRunEntry delayed = the32Bit(explorer);
    EXPECT_EQ(1, changes.DisableValue(delayed.location, delayed.valueName, delayed.entryKind));
    EXPECT_EQ(1, changes.EnableValue(delayed.location, delayed.valueName, delayed.entryKind));
    const AutoRunEntry item = the32Bit(appInit);
    EXPECT_EQ(1, changes.DisableListItem(item.location, item.name, item.imagePath, item.entryKind));
    const auto left = ReadRaw(HKEY_LOCAL_MACHINE, Wow(kWindows), L"AppInit_DLLs");
    ASSERT_TRUE(left);
    EXPECT_EQ(L"x.dll,", Utf16TextFromBytes(left->bytes.data(), left->bytes.size()));
    EXPECT_EQ(1, changes.EnableListItem(item.location, item.name, item.imagePath, item.entryKind));
    EXPECT_EQ(1, changes.DeleteValueEntry(run.location, run.name, run.entryKind, EntryEnabled));
    EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, Wow(kRun), L"Tool"));
    EXPECT_EQ(before, raw64());
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// What a 32-bit program writes through the registry's own redirection is where the program reads
// the 32-bit view: at the Wow6432Node path of a redirected key, at the one path of a shared key.
TEST(RegistryViews, The32BitViewIsWhere32BitProgramsWrite) {
    if (!kTwoRegistryViews) {
        GTEST_SKIP() << "the 32-bit program runs where there is one registry view only";
    }
    const std::wstring tag = L"TarnwellViewProbe-" + std::to_wstring(::GetCurrentProcessId());
    for (const std::wstring& parent : {std::wstring(L"Software"), kOptions}) {
        const std::wstring path = parent + L"\\" + tag;
        HKEY written = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                                   KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &written, nullptr));
        ::RegCloseKey(written);
        const std::wstring readAt = Wow32PathOf(path).value_or(path);
        HKEY read = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, readAt.c_str(), 0, KEY_READ, &read))
            << std::string(readAt.begin(), readAt.end());
        ::RegCloseKey(read);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
    }
}

}  // namespace
}  // namespace tarn
