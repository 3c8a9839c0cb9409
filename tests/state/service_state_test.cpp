#include "state/state_changes.h"

#include "support/state_fixture.h"
#include "support/registry_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

using namespace test::paths;

using test::CreateKey;
using test::DumpRegistry;
using test::KeyExists;
using test::ReadRaw;
using test::StateTest;
using test::ValueExists;
using test::WriteDword;
using test::WriteString;

const std::wstring kLocation = L"HKLM\\" + kServices;

DWORD Dword(const std::wstring& service, const std::wstring& name) {
    const auto raw = ReadRaw(HKEY_LOCAL_MACHINE, kServices + L"\\" + service, name);
    EXPECT_TRUE(raw.has_value());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), raw ? raw->type : 0);
    DWORD value = 0;
    if (raw && raw->bytes.size() == 4) {
        value =
            raw->bytes[0] | (raw->bytes[1] << 8) | (raw->bytes[2] << 16) | (static_cast<DWORD>(raw->bytes[3]) << 24);
    }
    return value;
}

using ServiceStateTest = StateTest;

TEST_F(ServiceStateTest, SwitchingKeepsTheFormerStartType) {
    for (const DWORD start : {2u, 3u}) {
        WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"Start", start);
        ASSERT_EQ(1, changes.DisableService(kLocation, L"svc", KindService));
        EXPECT_EQ(4u, Dword(L"Svc", L"Start"));
        EXPECT_EQ(start, Dword(L"Svc", L"TarnAutoRunDisable"));
        ASSERT_EQ(1, changes.EnableService(kLocation, L"Svc", KindService));
        EXPECT_EQ(start, Dword(L"Svc", L"Start"));
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"TarnAutoRunDisable"));
    }
}

TEST_F(ServiceStateTest, AKeptStartTypeIsNeverOverwritten) {
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"Start", 4);
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"TarnAutoRunDisable", 2);
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\NoStart", L"Type", 1);
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\NotOff", L"Start", 3);
    const auto before = DumpRegistry();
    EXPECT_EQ(0, changes.DisableService(kLocation, L"Svc", KindService));
    EXPECT_EQ(0, changes.DisableService(kLocation, L"NoStart", KindService));
    EXPECT_EQ(0, changes.EnableService(kLocation, L"NoStart", KindService));
    EXPECT_EQ(0, changes.EnableService(kLocation, L"NotOff", KindService));
    EXPECT_EQ(0, changes.DisableService(kLocation, L"Missing", KindService));
    EXPECT_EQ(before, DumpRegistry());
}

TEST_F(ServiceStateTest, AnHkcuLocationStillWorksOnTheMachineKey) {
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"Start", 2);
    ASSERT_EQ(1, changes.DisableService(L"HKCU\\" + kServices, L"Svc", KindService));
    EXPECT_EQ(4u, Dword(L"Svc", L"Start"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kServices));
}

TEST_F(ServiceStateTest, DeleteRemovesTheWholeServiceKeyAndNothingElse) {
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Svc", L"Start", 2);
    WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\Svc\\Enum\\Root", L"0", L"ROOT");
    WriteString(HKEY_LOCAL_MACHINE, kServices + L"\\Svc\\Enum", L"Count", L"1");
    CreateKey(HKEY_LOCAL_MACHINE, kServices + L"\\Svc\\Security");
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Flat", L"Start", 3);
    WriteDword(HKEY_LOCAL_MACHINE, kServices + L"\\Other", L"Start", 3);
    CreateKey(HKEY_LOCAL_MACHINE, kServices + L"\\Other\\Enum");

    EXPECT_EQ(0, changes.DeleteService(kLocation, L"NotAService", KindService));
    EXPECT_EQ(1, changes.DeleteService(kLocation, L"svc", KindService));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kServices + L"\\Svc"));
    EXPECT_EQ(1, changes.DeleteService(kLocation, L"Flat", KindService));  // no subkeys: deleted at once
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kServices + L"\\Flat"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kServices + L"\\Other\\Enum"));
}

}  // namespace
}  // namespace tarn
