#include "fileinfo/machine_files.h"
#include "model/network_print.h"

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
using test::Describe;
using test::Expected;
using test::Names;
using test::WriteString;

class NetworkTest : public CategoryTest {
protected:
    void AddProvider(const std::wstring& name, const std::wstring& dll) {
        WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\" + name + L"\\NetworkProvider", L"ProviderPath", dll);
    }

    CTarnAutoRunNetWork network{MachineFiles()};
};

TEST_F(NetworkTest, ThreeProvidersAreListedInOrder) {
    const std::wstring rdr = File(L"WINDOWS\\system32\\ntlanman.dll");
    File(L"WINDOWS\\system32\\davclnt.dll");
    File(L"WINDOWS\\system32\\tarnnp.dll");
    AddProvider(L"LanmanWorkstation", L"%SystemRoot%\\System32\\ntlanman.dll");
    AddProvider(L"WebClient", L"%SystemRoot%\\System32\\davclnt.dll");
    AddProvider(L"TarnNet", L"%SystemRoot%\\System32\\tarnnp.dll");
    WriteString(HKEY_LOCAL_MACHINE, kOrder, L"ProviderOrder", L"WebClient,LanmanWorkstation,TarnNet");
    network.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"WebClient", L"LanmanWorkstation", L"TarnNet"}), Names(network));
    const std::wstring location = L"HKLM\\" + kOrder;
    EXPECT_EQ(Describe(Expected{L"LanmanWorkstation", L"%SystemRoot%\\System32\\ntlanman.dll",
                                root + L"\\system32\\ntlanman.dll", location, location, L"ProviderOrder", L"", 0,
                                LocateValue}),
              Describe(*network.results().entries[1]));
    EXPECT_EQ(3u, network.providerPaths().size());
}

// Each named provider is paired with its own DLL: a provider without one, a trailing comma or a
// single name hides no other provider.
TEST_F(NetworkTest, EveryProviderWithADllIsListedInOrder) {
    File(L"WINDOWS\\system32\\one.dll");
    AddProvider(L"One", L"%SystemRoot%\\System32\\one.dll");
    AddProvider(L"Two", L"%SystemRoot%\\System32\\one.dll");
    WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\Bare\\NetworkProvider", L"Name", L"no path");
    using Names_ = std::vector<std::wstring>;
    struct Case {
        const wchar_t* order;
        Names_ listed;
    };
    for (const Case& c :
         {Case{L"One", {L"One"}}, Case{L"One,Two,", {L"One", L"Two"}}, Case{L"Two,Bare,One", {L"Two", L"One"}},
          Case{L",One,,Missing,Two", {L"One", L"Two"}}, Case{L"", {}}}) {
        WriteString(HKEY_LOCAL_MACHINE, kOrder, L"ProviderOrder", c.order);
        network.ClearResults();
        network.Enumerate();
        EXPECT_EQ(c.listed, Names(network)) << std::wstring(c.order).size();
    }
}

class PrintTest : public CategoryTest {
protected:
    CTarnAutoRunPrint print{MachineFiles()};
};

TEST_F(PrintTest, MonitorsWithADriverLiveAndStored) {
    const std::wstring dll = File(L"WINDOWS\\system32\\localspl.dll");
    WriteString(HKEY_LOCAL_MACHINE, kMonitors + L"\\Local Port", L"Driver", L"localspl.dll");
    WriteString(HKEY_LOCAL_MACHINE, kMonitors + L"\\No Driver", L"Other", L"x");
    WriteString(HKEY_LOCAL_MACHINE, kMonitors + L"\\TarnAutoRunDisable\\Parked", L"driver", L"localspl.dll");
    print.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"Local Port", L"Parked"}), Names(print));
    const std::wstring location = L"HKLM\\" + kMonitors;
    EXPECT_EQ(Describe(Expected{L"Local Port", L"localspl.dll", root + L"\\System32\\localspl.dll", location,
                                location + L"\\Local Port", L"", L"Local Port", KindKey, LocateKey}),
              Describe(*print.results().entries[0]));
    EXPECT_EQ(Describe(Expected{L"Parked", L"localspl.dll", root + L"\\System32\\localspl.dll", location,
                                location + L"\\Parked", L"", L"Parked", KindKey, LocateKey, EntryDisabled}),
              Describe(*print.results().entries[1]));

    test::ExpectSameAfterRescan(print);
}

TEST_F(PrintTest, MissingKeysGiveNothing) {
    CTarnAutoRunNetWork network{MachineFiles()};
    print.Enumerate();
    network.Enumerate();
    EXPECT_TRUE(print.results().entries.empty());
    EXPECT_TRUE(network.results().entries.empty());
}

}  // namespace
}  // namespace tarn
