#include "fileinfo/machine_files.h"
#include "model/com_class.h"
#include "model/explorer.h"

#include "support/class_registration.h"
#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::ClassesRootWriter;
using test::ClassKey;
using test::CreateKey;
using test::Describe;
using test::Expected;
using test::Names;
using test::RegisterComClass;
using test::WriteString;

const std::wstring kActiveSetup = L"Software\\Microsoft\\Active Setup\\Installed Components";
const std::wstring kSharedTasks = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler";
const std::wstring kFolderMenus = L"Software\\Classes\\Directory\\ShellEx\\ContextMenuHandlers";
const std::wstring kOverlays = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";

class ExplorerTest : public test::ClassCategoryTest {
protected:
    CTarnAutoRunExplorer explorer{MachineFiles()};
};

const std::wstring kA = L"{AAAAAAAA-0000-0000-0000-000000000001}";
const std::wstring kB = L"{BBBBBBBB-0000-0000-0000-000000000002}";
const std::wstring kC = L"{CCCCCCCC-0000-0000-0000-000000000003}";
const std::wstring kD = L"{DDDDDDDD-0000-0000-0000-000000000004}";

TEST_F(ExplorerTest, ActiveSetupComponentsNeedAStubPath) {
    const std::wstring setup = File(L"setup\\stub.exe");
    WriteString(HKEY_LOCAL_MACHINE, kActiveSetup + L"\\" + kA, L"StubPath", setup + L" /install");
    WriteString(HKEY_LOCAL_MACHINE, kActiveSetup + L"\\" + kB, L"", L"Titled component");
    WriteString(HKEY_LOCAL_MACHINE, kActiveSetup + L"\\" + kB, L"stubpath", setup);
    WriteString(HKEY_LOCAL_MACHINE, kActiveSetup + L"\\" + kC, L"", L"No stub");
    explorer.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"n/a", L"Titled component"}), Names(explorer));
    const std::wstring location = L"HKLM\\" + kActiveSetup;
    EXPECT_EQ(Describe(Expected{L"n/a", setup + L" /install", LowerAscii(setup), location, location + L"\\" + kA, L"",
                                kA, KindKey, LocateKey}),
              Describe(*explorer.results().entries[0]));
}

TEST_F(ExplorerTest, NamedClsidValuesAndClsidValueNames) {
    const std::wstring webcheck = RegisterClass(kA, L"WebCheck class");
    WriteString(HKEY_LOCAL_MACHINE, kDelayLoad, L"WebCheck", kA);
    WriteString(HKEY_LOCAL_MACHINE, kDelayLoad, L"Unregistered", kD);
    const std::wstring unnamed = RegisterClass(kB, std::nullopt);
    WriteString(HKEY_LOCAL_MACHINE, kSharedTasks, kB, L"anything");
    RegisterClass(kC, L"No server", false);
    WriteString(HKEY_LOCAL_MACHINE, kSharedTasks, kC, L"");
    explorer.Enumerate();
    ASSERT_EQ(2u, explorer.results().entries.size());
    EXPECT_EQ(Describe(Expected{L"WebCheck", L"HKCR\\CLSID\\" + kA, LowerAscii(webcheck), L"HKLM\\" + kDelayLoad,
                                L"HKLM\\" + kDelayLoad, L"WebCheck", L"", KindValue, LocateValue}),
              Describe(*explorer.results().entries[0]));
    // A class without a default value still lists with an empty name.
    EXPECT_EQ(Describe(Expected{L"", L"HKCR\\CLSID\\" + kB, LowerAscii(unnamed), L"HKLM\\" + kSharedTasks,
                                L"HKLM\\" + kSharedTasks, kB, L"", KindValue, LocateValue}),
              Describe(*explorer.results().entries[1]));
}

TEST_F(ExplorerTest, HandlerSubkeysByClsidAndByName) {
    const std::wstring byClsid = RegisterClass(kA, L"Menu by class");
    const std::wstring byName = RegisterClass(kB, L"Archiver class");
    RegisterClass(kC, L"Serverless", false);
    CreateKey(HKEY_LOCAL_MACHINE, kFileMenus + L"\\" + kA);
    WriteString(HKEY_LOCAL_MACHINE, kFileMenus + L"\\Archiver", L"", kB);
    WriteString(HKEY_LOCAL_MACHINE, kFileMenus + L"\\Archiver", L"Note", L"not a class");
    WriteString(HKEY_LOCAL_MACHINE, kFileMenus + L"\\Broken", L"", kC);
    explorer.Enumerate();
    // Subkeys come in the registry's order: "Archiver" sorts before "{".
    ASSERT_EQ(2u, explorer.results().entries.size());
    const std::wstring location = L"HKLM\\" + kFileMenus;
    EXPECT_EQ(Describe(Expected{L"Archiver", L"HKCR\\CLSID\\" + kB, LowerAscii(byName), location,
                                location + L"\\Archiver", L"", L"Archiver", KindKey, LocateKey}),
              Describe(*explorer.results().entries[0]));
    EXPECT_EQ(Describe(Expected{L"Menu by class", L"HKCR\\CLSID\\" + kA, LowerAscii(byClsid), location,
                                location + L"\\" + kA, L"", kA, KindKey, LocateKey}),
              Describe(*explorer.results().entries[1]));
}

TEST_F(ExplorerTest, TheSameHandlerUnderTwoKeysIsListedTwice) {
    RegisterClass(kA, L"Twice");
    WriteString(HKEY_LOCAL_MACHINE, kFileMenus + L"\\Both", L"", kA);
    WriteString(HKEY_LOCAL_MACHINE, kFolderMenus + L"\\Both", L"", kA);
    explorer.Enumerate();
    ASSERT_EQ(2u, explorer.results().entries.size());
    EXPECT_EQ(L"HKLM\\" + kFileMenus, explorer.results().entries[0]->location);
    EXPECT_EQ(L"HKLM\\" + kFolderMenus, explorer.results().entries[1]->location);
}

TEST_F(ExplorerTest, StoredHandlersAreDisabledAndTheUserKeyComesLastWithoutStore) {
    RegisterClass(kA, L"Stored");
    RegisterClass(kB, L"Overlay");
    RegisterClass(kC, L"User menu");
    RegisterClass(kD, L"User stored");
    WriteString(HKEY_LOCAL_MACHINE, kFolderMenus + kStore + L"\\Parked", L"", kA);
    WriteString(HKEY_LOCAL_MACHINE, kOverlays + kStore + L"\\Overlay", L"", kB);
    CreateKey(HKEY_LOCAL_MACHINE, kOverlays);
    WriteString(HKEY_CURRENT_USER, kFileMenus + L"\\Mine", L"", kC);
    WriteString(HKEY_CURRENT_USER, kFileMenus + kStore + L"\\NotListed", L"", kD);
    CreateKey(HKEY_LOCAL_MACHINE, kFolderMenus);
    explorer.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"Parked", L"Overlay", L"Mine"}), Names(explorer));
    const AutoRunEntry& parked = *explorer.results().entries[0];
    EXPECT_EQ(EntryDisabled, parked.state);
    EXPECT_EQ(L"HKLM\\" + kFolderMenus + L"\\Parked", parked.keyPath);
    EXPECT_EQ(L"HKLM\\" + kFolderMenus, parked.location);
    const AutoRunEntry& mine = *explorer.results().entries[2];
    EXPECT_EQ(EntryEnabled, mine.state);
    EXPECT_EQ(L"HKCU\\" + kFileMenus + L"\\Mine", mine.keyPath);
    EXPECT_EQ(L"HKCU\\" + kFileMenus, mine.location);
}

TEST_F(ExplorerTest, LookUpsReportMissingClasses) {
    RegisterClass(kA, std::nullopt, false);
    EXPECT_FALSE(ClassName(kA, RegistryView::Native));
    EXPECT_FALSE(ClassServerDll(kA, RegistryView::Native));
    EXPECT_FALSE(ClassName(kD, RegistryView::Native));
    RegisterClass(kB, L"Named");
    EXPECT_EQ(L"Named", ClassName(kB, RegistryView::Native).value_or(L""));
    EXPECT_TRUE(ClassServerDll(kB, RegistryView::Native));
}

TEST_F(ExplorerTest, MissingKeysAndRescan) {
    explorer.Enumerate();
    EXPECT_TRUE(explorer.results().entries.empty());
    RegisterClass(kA, L"Again");
    WriteString(HKEY_LOCAL_MACHINE, kDelayLoad, L"Again", kA);
    explorer.ClearResults();
    explorer.Enumerate();
    const auto first = test::ExpectSameAfterRescan(explorer);
    EXPECT_EQ(1u, first.size());
}

}  // namespace
}  // namespace tarn
