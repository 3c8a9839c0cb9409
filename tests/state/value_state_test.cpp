#include "state/state_changes.h"

#include "support/state_fixture.h"
#include "support/registry_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::DumpRegistry;
using test::KeyExists;
using test::ReadRaw;
using test::StateTest;
using test::ValueExists;
using test::ValueNames;
using test::WriteString;
using test::WriteValue;

const std::wstring kStore = kRun + L"\\TarnAutoRunDisable";
const std::wstring kHklmRun = L"HKLM\\" + kRun;
const std::wstring kHkcuRun = L"HKCU\\" + kRun;

using ValueStateTest = StateTest;

TEST_F(ValueStateTest, TypeAndExactBytesSurviveARoundTrip) {
    std::vector<BYTE> big(70000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<BYTE>(i * 31);
    }
    std::vector<BYTE> huge(1 << 20, 0x5A);
    const wchar_t multi[] = L"first\0second\0";
    const wchar_t unterminated[] = {L'c', L':', L'\\', L'x'};
    struct Case {
        const wchar_t* name;
        DWORD type;
        const void* data;
        DWORD count;
    };
    const Case cases[] = {
        {L"Expand", REG_EXPAND_SZ, L"%ProgramFiles%\\a.exe", 42},
        {L"Binary", REG_BINARY, "\x00\x01\x02", 3},
        {L"Multi", REG_MULTI_SZ, multi, sizeof multi},
        {L"Big", REG_BINARY, big.data(), static_cast<DWORD>(big.size())},
        {L"Huge", REG_BINARY, huge.data(), static_cast<DWORD>(huge.size())},
        {L"Unterminated", REG_SZ, unterminated, sizeof unterminated},
        {L"Empty", REG_SZ, L"", 0},
        {L"ShortDword", REG_DWORD, "\x01\x02\x03", 3},
        {L"Unknown", 0x4321, "abc", 3},
    };
    for (const Case& c : cases) {
        WriteValue(HKEY_LOCAL_MACHINE, kRun, c.name, c.type, c.data, c.count);
    }
    const auto before = DumpRegistry();
    for (const Case& c : cases) {
        const auto original = ReadRaw(HKEY_LOCAL_MACHINE, kRun, c.name);
        ASSERT_EQ(1, changes.DisableValue(kHklmRun, c.name, KindValue)) << c.count;
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRun, c.name));
        EXPECT_EQ(original, ReadRaw(HKEY_LOCAL_MACHINE, kStore, c.name));
    }
    for (const Case& c : cases) {
        ASSERT_EQ(1, changes.EnableValue(kHklmRun, c.name, KindValue));
    }
    EXPECT_EQ(before, DumpRegistry());
}

TEST_F(ValueStateTest, NamesMatchInAnyCaseAndKeepTheRegistrysCase) {
    WriteString(HKEY_CURRENT_USER, kRun, L"Foo", L"foo.exe");
    ASSERT_EQ(1, changes.DisableValue(kHkcuRun, L"foo", KindValue));
    EXPECT_EQ(std::vector<std::wstring>{L"Foo"}, ValueNames(HKEY_CURRENT_USER, kStore));
    ASSERT_EQ(1, changes.EnableValue(kHkcuRun, L"FOO", KindValue));
    EXPECT_EQ(std::vector<std::wstring>{L"Foo"}, ValueNames(HKEY_CURRENT_USER, kRun));
}

TEST_F(ValueStateTest, TheStoreComesWithTheFirstAndGoesWithTheLast) {
    WriteString(HKEY_CURRENT_USER, kRun, L"A", L"a.exe");
    WriteString(HKEY_CURRENT_USER, kRun, L"B", L"b.exe");
    ASSERT_EQ(1, changes.DisableValue(kHkcuRun, L"A", KindValue));
    ASSERT_EQ(1, changes.DisableValue(kHkcuRun, L"B", KindValue));
    EXPECT_EQ(2u, ValueNames(HKEY_CURRENT_USER, kStore).size());
    // Stored under HKEY_CURRENT_USER, never under HKEY_LOCAL_MACHINE.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kStore));
    ASSERT_EQ(1, changes.EnableValue(kHkcuRun, L"A", KindValue));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kStore));
    ASSERT_EQ(1, changes.EnableValue(kHkcuRun, L"B", KindValue));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kStore));
}

TEST_F(ValueStateTest, AStoreThatHoldsKeysTooIsKeptAndTheSwitchSucceeds) {
    WriteString(HKEY_CURRENT_USER, kStore, L"A", L"a.exe");
    WriteString(HKEY_CURRENT_USER, kStore + L"\\Parked", L"Debugger", L"d.exe");
    EXPECT_EQ(1, changes.EnableValue(kHkcuRun, L"A", KindValue));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRun, L"A"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kStore + L"\\Parked"));
}

TEST_F(ValueStateTest, DeletingFollowsTheEntryState) {
    WriteString(HKEY_CURRENT_USER, kRun, L"Live", L"live.exe");
    WriteString(HKEY_CURRENT_USER, kRun, L"Twice", L"live.exe");
    WriteString(HKEY_CURRENT_USER, kStore, L"Twice", L"stored.exe");
    EXPECT_EQ(1, changes.DeleteValueEntry(kHkcuRun, L"Twice", KindValue, EntryDisabled));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRun, L"Twice"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kStore));  // kept although now empty
    EXPECT_EQ(1, changes.DeleteValueEntry(kHkcuRun, L"live", KindValue, EntryFileMissing));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, L"Live"));
    EXPECT_EQ(0, changes.DeleteValueEntry(kHkcuRun, L"Twice", KindValue, 99));
    EXPECT_EQ(0, changes.DeleteValueEntry(kHkcuRun, L"Gone", KindValue, EntryEnabled));
    EXPECT_EQ(1, changes.DeleteValueEntry(kHkcuRun, L"Twice", KindValue, EntryEnabled));
}

TEST_F(ValueStateTest, RefusalsChangeNothing) {
    WriteString(HKEY_CURRENT_USER, kRun, L"A", L"a.exe");
    const std::wstring longKey = std::wstring(L"Software\\") + std::wstring(240, L'k');
    WriteString(HKEY_CURRENT_USER, longKey, L"L", L"l.exe");
    const auto before = DumpRegistry();
    EXPECT_EQ(0, changes.DisableValue(L"HKCR\\" + kRun, L"A", KindValue));
    EXPECT_EQ(0, changes.EnableValue(L"HKCR\\" + kRun, L"A", KindValue));
    EXPECT_EQ(0, changes.DeleteValueEntry(L"HKCR\\" + kRun, L"A", KindValue, EntryEnabled));
    EXPECT_EQ(0, changes.DisableValue(kHkcuRun, L"Missing", KindValue));
    EXPECT_EQ(0, changes.EnableValue(kHkcuRun, L"A", KindValue));              // nothing stored
    EXPECT_EQ(0, changes.DisableValue(L"HKCU\\" + longKey, L"L", KindValue));  // its store path is too long
    EXPECT_EQ(before, DumpRegistry());
}

}  // namespace
}  // namespace tarn
