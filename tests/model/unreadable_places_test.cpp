// A key that exists but cannot be read is reported with its category, never passed off as empty;
// what can be read is listed all the same. A key that does not exist is no failure.
#include "fileinfo/machine_files.h"
#include "model/image_hijacks.h"
#include "model/logon.h"
#include "model/network_print.h"
#include "win/registry_api.h"
#include "model/services.h"

#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::Names;
using test::WriteDword;
using test::WriteString;

// Opening a key whose text (as the program passes it) ends in `refused` is denied.
std::wstring refused;
LSTATUS WINAPI RefusingOpen(HKEY parent, LPCWSTR subKey, DWORD options, REGSAM rights, PHKEY result) {
    const std::wstring text = subKey != nullptr ? subKey : L"";
    if (text.size() >= refused.size() && EqualsNoCaseAscii(text.substr(text.size() - refused.size()), refused)) {
        return ERROR_ACCESS_DENIED;
    }
    return RealRegistryApi().openKeyEx(parent, subKey, options, rights, result);
}

class UnreadablePlacesTest : public CategoryTest {
protected:
    // Enumerates with `refusedKey` denied; answers what the category could not read.
    std::vector<std::wstring> EnumerateRefusing(CTarnAutoRunBase& enumerator, const std::wstring& refusedKey) {
        refused = refusedKey;
        RegistryApi api = RealRegistryApi();
        api.openKeyEx = RefusingOpen;
        const ScopedRegistryApi scope(api);
        enumerator.Enumerate();
        return enumerator.results().unreadable;
    }
};

bool Reports(const std::vector<std::wstring>& places, const std::wstring& place) {
    return std::any_of(places.begin(), places.end(), [&](const std::wstring& line) {
        return line.rfind(place + L": ", 0) == 0 && line.find(L"拒绝访问") != std::wstring::npos;
    });
}

TEST_F(UnreadablePlacesTest, ARefusedKeyIsReportedAndTheRestListed) {
    const std::wstring tool = File(L"tool.exe");
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Hidden", tool);
    WriteString(HKEY_LOCAL_MACHINE, kWinlogon, L"Userinit", tool);
    CTarnAutoRunLogon logon{MachineFiles()};
    const auto places = EnumerateRefusing(logon, kRun);
    EXPECT_TRUE(Reports(places, L"HKLM\\" + kRun)) << places.size();
    EXPECT_EQ(std::vector<std::wstring>{L"Userinit"}, test::Names(logon));
}

TEST_F(UnreadablePlacesTest, ARefusedStoreIsReportedAsTheStore) {
    const std::wstring tool = File(L"tool.exe");
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Live", tool);
    WriteString(HKEY_LOCAL_MACHINE, kRun + L"\\TarnAutoRunDisable", L"Parked", tool);
    CTarnAutoRunLogon logon{MachineFiles()};
    const auto places = EnumerateRefusing(logon, kRun + L"\\TarnAutoRunDisable");
    EXPECT_TRUE(Reports(places, L"HKLM\\" + kRun + L"\\TarnAutoRunDisable"));
    EXPECT_EQ(std::vector<std::wstring>{L"Live"}, test::Names(logon));
}

TEST_F(UnreadablePlacesTest, RefusedSubkeysOfEveryKindOfWalk) {
    const std::wstring tool = File(L"tool.exe");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\open.exe", L"Debugger", tool);
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\locked.exe", L"Debugger", tool);
    CTarnAutoRunImageHijacks hijacks{MachineFiles()};
    EXPECT_TRUE(Reports(EnumerateRefusing(hijacks, L"locked.exe"), L"HKLM\\" + kOptions + L"\\locked.exe"));
    EXPECT_EQ(std::vector<std::wstring>{L"open.exe"}, test::Names(hijacks));

    WriteString(HKEY_LOCAL_MACHINE, kMonitors + L"\\Open", L"Driver", tool);
    WriteString(HKEY_LOCAL_MACHINE, kMonitors + L"\\Locked", L"Driver", tool);
    CTarnAutoRunPrint print{MachineFiles()};
    EXPECT_TRUE(Reports(EnumerateRefusing(print, L"Locked"), L"HKLM\\" + kMonitors + L"\\Locked"));
    EXPECT_EQ(std::vector<std::wstring>{L"Open"}, test::Names(print));

    // A service key that cannot be opened may be a service or a driver: both categories say so.
    for (const wchar_t* name : {L"TarnOpen", L"TarnLocked"}) {
        WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\" + name, L"ImagePath", tool);
        WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\" + name, L"ObjectName", L"LocalSystem");
        WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\" + name, L"Start", 2);
    }
    CTarnAutoRunServices services{MachineFiles()};
    CTarnAutoRunDrivers drivers{MachineFiles()};
    EXPECT_TRUE(Reports(EnumerateRefusing(services, L"TarnLocked"), L"HKLM\\" + kServices + L"\\TarnLocked"));
    EXPECT_TRUE(Reports(EnumerateRefusing(drivers, L"TarnLocked"), L"HKLM\\" + kServices + L"\\TarnLocked"));
    EXPECT_EQ(std::vector<std::wstring>{L"TarnOpen"}, test::Names(services));
}

TEST_F(UnreadablePlacesTest, AKeyThatIsNotThereIsNoFailure) {
    CTarnAutoRunLogon logon{MachineFiles()};
    CTarnAutoRunImageHijacks hijacks{MachineFiles()};
    CTarnAutoRunServices services{MachineFiles()};
    for (CTarnAutoRunBase* enumerator : std::initializer_list<CTarnAutoRunBase*>{&logon, &hijacks, &services}) {
        enumerator->Enumerate();
        EXPECT_TRUE(enumerator->results().unreadable.empty()) << enumerator->results().unreadable.front();
    }
}

}  // namespace
}  // namespace tarn
