#include "fileinfo/machine_files.h"
#include "model/internet.h"

#include "support/class_registration.h"
#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

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

const std::wstring kExtensions = L"Software\\Microsoft\\Internet Explorer\\Extensions";
const std::wstring kToolbar = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
const std::wstring kSearchHooks = L"Software\\Microsoft\\Internet Explorer\\UrlSearchHooks";

const std::wstring kA = L"{A0000000-0000-0000-0000-00000000000A}";
const std::wstring kB = L"{B0000000-0000-0000-0000-00000000000B}";
const std::wstring kC = L"{C0000000-0000-0000-0000-00000000000C}";

class InternetTest : public test::ClassCategoryTest {
protected:
    CTarnAutoRunInternet internet{MachineFiles()};
};

TEST_F(InternetTest, HelperObjectsNeedTheirClassKey) {
    const std::wstring dll = RegisterClass(kA, L"Helper object");
    CreateKey(HKEY_LOCAL_MACHINE, kHelpers + L"\\" + kA);
    CreateKey(HKEY_LOCAL_MACHINE, kHelpers + L"\\" + kB);  // no class key
    internet.Enumerate();
    ASSERT_EQ(1u, internet.results().entries.size());
    const std::wstring location = L"HKLM\\" + kHelpers;
    EXPECT_EQ(Describe(Expected{L"Helper object", L"HKCR\\CLSID\\" + kA, LowerAscii(dll), location,
                                location + L"\\" + kA, L"", kA, KindKey, LocateKey}),
              Describe(*internet.results().entries[0]));
}

TEST_F(InternetTest, ExtensionsAreNamedByMenuTextThenButtonText) {
    const std::wstring tool = File(L"tools\\tool.exe");
    WriteString(HKEY_LOCAL_MACHINE, kExtensions + L"\\" + kA, L"Exec", tool);
    WriteString(HKEY_LOCAL_MACHINE, kExtensions + L"\\" + kA, L"ButtonText", L"Button only");
    WriteString(HKEY_LOCAL_MACHINE, kExtensions + L"\\" + kB, L"exec", tool + L" /b");
    WriteString(HKEY_LOCAL_MACHINE, kExtensions + L"\\" + kB, L"ButtonText", L"Button");
    WriteString(HKEY_LOCAL_MACHINE, kExtensions + L"\\" + kB, L"MenuText", L"Menu wins");
    WriteString(HKEY_LOCAL_MACHINE, kExtensions + L"\\" + kC, L"MenuText", L"No program");
    internet.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"Button only", L"Menu wins"}), Names(internet));
    const std::wstring location = L"HKLM\\" + kExtensions;
    EXPECT_EQ(Describe(Expected{L"Menu wins", tool + L" /b", LowerAscii(tool), location, location + L"\\" + kB, L"", kB,
                                KindKey, LocateKey}),
              Describe(*internet.results().entries[1]));
}

TEST_F(InternetTest, ToolbarsAreListedInValueOrderAndSearchHooksUnderHkcu) {
    const std::wstring a = RegisterClass(kA, L"Toolbar A");
    RegisterClass(kB, L"Toolbar B");
    const std::wstring c = RegisterClass(kC, L"Search hook");
    WriteString(HKEY_LOCAL_MACHINE, kToolbar, kB, L"");
    WriteString(HKEY_LOCAL_MACHINE, kToolbar, kA, L"");
    WriteString(HKEY_LOCAL_MACHINE, kToolbar, L"NotAClass", L"");
    WriteString(HKEY_CURRENT_USER, kSearchHooks, kC, L"");
    internet.Enumerate();
    std::vector<std::wstring> registryOrder;
    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kToolbar));
    for (DWORD i = 0; i < key.ValueCount(); ++i) {
        if (key.ValueName(i) != L"NotAClass") {
            registryOrder.push_back(key.ValueName(i));
        }
    }
    ASSERT_EQ(3u, internet.results().entries.size());
    EXPECT_EQ(registryOrder[0], internet.results().entries[0]->valueName);
    EXPECT_EQ(registryOrder[1], internet.results().entries[1]->valueName);
    const std::wstring toolbar = L"HKLM\\" + kToolbar;
    const AutoRunEntry& first = *internet.results().entries[registryOrder[0] == kA ? 0 : 1];
    EXPECT_EQ(Describe(Expected{L"Toolbar A", L"HKCR\\CLSID\\" + kA, LowerAscii(a), toolbar, toolbar, kA, L"",
                                KindValue, LocateValue}),
              Describe(first));
    const std::wstring hooks = L"HKCU\\" + kSearchHooks;
    EXPECT_EQ(Describe(Expected{L"Search hook", L"HKCR\\CLSID\\" + kC, LowerAscii(c), hooks, hooks, kC, L"", KindValue,
                                LocateValue}),
              Describe(*internet.results().entries[2]));
}

TEST_F(InternetTest, StoredHelperObjectIsDisabledUnderTheLiveKey) {
    RegisterClass(kA, L"Parked helper");
    CreateKey(HKEY_LOCAL_MACHINE, kHelpers);
    CreateKey(HKEY_LOCAL_MACHINE, kHelpers + L"\\TarnAutoRunDisable\\" + kA);
    internet.Enumerate();
    ASSERT_EQ(1u, internet.results().entries.size());
    const AutoRunEntry& entry = *internet.results().entries[0];
    EXPECT_EQ(EntryDisabled, entry.state);
    EXPECT_EQ(L"HKLM\\" + kHelpers + L"\\" + kA, entry.keyPath);

    test::ExpectSameAfterRescan(internet);
}

TEST_F(InternetTest, MissingKeysGiveNothing) {
    internet.Enumerate();
    EXPECT_TRUE(internet.results().entries.empty());
}

}  // namespace
}  // namespace tarn
