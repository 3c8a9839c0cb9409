#include "base/key_text.h"
#include "model/reg_key.h"

#include "model/registry_walk.h"
#include "support/fault_injector.h"
#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::CreateKey;
using test::KeyExists;
using test::ReadRaw;
using test::RegistrySandbox;
using test::ValueExists;
using test::WriteDword;
using test::WriteString;
using test::WriteValue;

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::vector<BYTE> Pattern(std::size_t count) {
    std::vector<BYTE> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<BYTE>((i * 7 + 3) & 0xFF);
    }
    return bytes;
}

// Writes a REG_SZ holding exactly these UTF-16 units, without a terminator.
void WriteUnterminated(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& units) {
    std::vector<wchar_t> padded(units.begin(), units.end());
    padded.push_back(L'x');  // the registry would count a NUL just past the data as a terminator
    WriteValue(root, path, name, REG_SZ, padded.data(), static_cast<DWORD>(units.size() * sizeof(wchar_t)));
}

class RegKeyTest : public ::testing::Test {
protected:
    RegistrySandbox sandbox;
};

TEST_F(RegKeyTest, OpensCreatesAndReportsTheStatus) {
    RegKey key;
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.status());
    EXPECT_FALSE(key.IsOpen());

    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, kRun));  // creates every missing key of the path
    EXPECT_EQ(ERROR_SUCCESS, key.status());
    EXPECT_TRUE(key.IsOpen());
    key.Close();
    EXPECT_FALSE(key.IsOpen());
    key.Close();  // closing a closed key does nothing
    EXPECT_FALSE(key.IsOpen());

    EXPECT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_TRUE(key.OpenWrite(HKEY_LOCAL_MACHINE, kRun));  // replaces the open key
    const std::wstring text = L"c:\\a.exe";
    EXPECT_TRUE(key.SetValue(L"A", REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
    EXPECT_EQ(text, key.ReadString(L"a"));  // names compare without regard to case
}

TEST_F(RegKeyTest, ReadOnlyKeyRefusesWrites) {
    CreateKey(HKEY_CURRENT_USER, kRun);
    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_CURRENT_USER, kRun));
    const DWORD one = 1;
    EXPECT_FALSE(key.SetValue(L"x", REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one));
    EXPECT_EQ(ERROR_ACCESS_DENIED, key.status());
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, L"x"));
}

TEST_F(RegKeyTest, FailedOpenKeepsTheKeyThatWasOpen) {
    CreateKey(HKEY_LOCAL_MACHINE, kRun);
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"A", L"a.exe");
    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_FALSE(key.OpenRead(HKEY_LOCAL_MACHINE, L"Software\\Missing"));
    EXPECT_EQ(L"a.exe", key.ReadString(L"A"));
}

TEST_F(RegKeyTest, QueryValueCopiesLargeValuesWholeWithTheirType) {
    const std::vector<BYTE> big = Pattern(20000);
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Big", REG_BINARY, big.data(), static_cast<DWORD>(big.size()));
    const std::vector<BYTE> huge = Pattern(300000);
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Huge", 0x1234, huge.data(), static_cast<DWORD>(huge.size()));

    RegKey key;
    ASSERT_TRUE(key.OpenWrite(HKEY_LOCAL_MACHINE, kRun));
    for (const wchar_t* name : {L"Big", L"Huge"}) {
        std::vector<BYTE> buffer(16000, 0);
        DWORD type = 0;
        DWORD count = 0;
        ASSERT_TRUE(key.QueryValue(name, buffer, type, count));
        ASSERT_TRUE(key.SetValue(std::wstring(name) + L"Copy", type, buffer.data(), count));
        const auto original = ReadRaw(HKEY_LOCAL_MACHINE, kRun, name).value();
        const auto copy = ReadRaw(HKEY_LOCAL_MACHINE, kRun, std::wstring(name) + L"Copy").value();
        EXPECT_EQ(original.type, copy.type);
        EXPECT_EQ(original.bytes, copy.bytes);
        EXPECT_EQ(original.bytes.size(), count);
    }
    EXPECT_EQ(0x1234u, ReadRaw(HKEY_LOCAL_MACHINE, kRun, L"HugeCopy")->type);
}

TEST_F(RegKeyTest, QueryValueReportsAMissingValueWithoutChangingStatus) {
    CreateKey(HKEY_LOCAL_MACHINE, kRun);
    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    std::vector<BYTE> buffer;
    DWORD type = 0;
    DWORD count = 0;
    EXPECT_FALSE(key.QueryValue(L"Missing", buffer, type, count));
    EXPECT_EQ(ERROR_SUCCESS, key.status());
    EXPECT_EQ(L"", key.ReadString(L"Missing"));
    EXPECT_EQ(77u, key.ReadDword(L"Missing", 77));
    EXPECT_EQ(L"", key.ReadAnsiString(L"Missing"));
    EXPECT_EQ(ERROR_SUCCESS, key.status());
}

TEST_F(RegKeyTest, CopiesUnterminatedAndEmptyStringsExactly) {
    WriteUnterminated(HKEY_LOCAL_MACHINE, kRun, L"Raw", L"abc");
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Empty", REG_SZ, L"", 0);
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Odd", REG_EXPAND_SZ, "a\0b\0c", 5);
    RegKey key;
    ASSERT_TRUE(key.OpenWrite(HKEY_LOCAL_MACHINE, kRun));
    for (const wchar_t* name : {L"Raw", L"Empty", L"Odd"}) {
        const auto original = ReadRaw(HKEY_LOCAL_MACHINE, kRun, name).value();
        std::vector<BYTE> buffer(16000, 0);  // zero-filled: a NUL follows the data
        DWORD type = 0;
        DWORD count = 0;
        ASSERT_TRUE(key.QueryValue(name, buffer, type, count));
        ASSERT_TRUE(key.SetValue(std::wstring(name) + L"Copy", type, buffer.data(), count));
        const auto copy = ReadRaw(HKEY_LOCAL_MACHINE, kRun, std::wstring(name) + L"Copy").value();
        EXPECT_EQ(original.type, copy.type);
        EXPECT_EQ(original.bytes, copy.bytes)
            << "copy of " << original.bytes.size() << " bytes has " << copy.bytes.size();
    }
    EXPECT_EQ(6u, ReadRaw(HKEY_LOCAL_MACHINE, kRun, L"RawCopy")->bytes.size());
}

TEST_F(RegKeyTest, PlatformWouldAddATerminatorWhenANulFollowsTheData) {
    // Why SetValue pads its copy: the plain call grows an unterminated string by one unit.
    CreateKey(HKEY_LOCAL_MACHINE, kRun);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRun, 0, KEY_ALL_ACCESS, &key));
    const wchar_t zeroFollows[] = L"abc";
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key, L"Grown", 0, REG_SZ, reinterpret_cast<const BYTE*>(zeroFollows),
                                              3 * sizeof(wchar_t)));
    ::RegCloseKey(key);
    EXPECT_EQ(8u, ReadRaw(HKEY_LOCAL_MACHINE, kRun, L"Grown")->bytes.size());
}

TEST_F(RegKeyTest, TypedReadersAreBoundedByTheReturnedByteCount) {
    WriteUnterminated(HKEY_LOCAL_MACHINE, kRun, L"Raw", L"c:\\x.exe");
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Odd", REG_SZ, "a\0b\0c", 5);
    const wchar_t multi[] = L"first\0second\0";
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Expand", L"%SystemRoot%\\x.exe", REG_EXPAND_SZ);
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Short", REG_DWORD, "\x01\x02\x03", 3);
    WriteDword(HKEY_LOCAL_MACHINE, kRun, L"Start", 4);
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"Ansi", REG_BINARY, "mswsock.dll\0junk", 16);
    WriteValue(HKEY_LOCAL_MACHINE, kRun, L"AnsiNoZero", REG_BINARY, "abc", 3);
    const std::wstring longText(150000, L'q');
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Long", longText);

    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_EQ(L"c:\\x.exe", key.ReadString(L"Raw"));
    EXPECT_EQ(L"ab", key.ReadString(L"Odd"));
    EXPECT_EQ(L"first", key.ReadString(L"Multi"));
    EXPECT_EQ(L"%SystemRoot%\\x.exe", key.ReadString(L"Expand"));
    EXPECT_EQ(0x030201u, key.ReadDword(L"Short", 9));
    EXPECT_EQ(4u, key.ReadDword(L"Start", 9));
    EXPECT_EQ(L"mswsock.dll", key.ReadAnsiString(L"Ansi"));
    EXPECT_EQ(L"abc", key.ReadAnsiString(L"AnsiNoZero"));
    EXPECT_EQ(longText, key.ReadString(L"Long"));
}

TEST_F(RegKeyTest, CountsAndNamesByIndex) {
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"One", L"1");
    WriteString(HKEY_LOCAL_MACHINE, kRun, L"Two", L"2");
    CreateKey(HKEY_LOCAL_MACHINE, std::wstring(kRun) + L"\\Sub");
    const std::wstring longName(16383, L'n');
    WriteString(HKEY_LOCAL_MACHINE, kRun, longName, L"3");

    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_EQ(3u, key.ValueCount());
    EXPECT_EQ(1u, key.SubKeyCount());
    EXPECT_EQ(L"Sub", key.SubKeyName(0));
    EXPECT_EQ(L"", key.SubKeyName(1));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, key.status());

    std::vector<std::wstring> names;
    for (DWORD i = 0; i < key.ValueCount(); ++i) {
        names.push_back(key.ValueName(i));
    }
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"One"));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"Two"));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), longName));
    EXPECT_EQ(L"", key.ValueName(3));

    key.Close();
    EXPECT_EQ(0u, key.ValueCount());  // a failed query reads as an empty key
    EXPECT_EQ(0u, key.SubKeyCount());
}

TEST_F(RegKeyTest, DeleteSubKeyRemovesOnlyAKeyWithoutSubkeys) {
    const std::wstring parent = std::wstring(kRun) + L"\\Parent";
    WriteString(HKEY_LOCAL_MACHINE, parent + L"\\Child", L"v", L"x");
    WriteString(HKEY_LOCAL_MACHINE, parent, L"kept", L"y");

    RegKey key;
    ASSERT_TRUE(key.OpenWrite(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_FALSE(key.DeleteSubKey(L"Parent"));
    EXPECT_NE(ERROR_SUCCESS, key.status());
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, parent, L"kept"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, parent + L"\\Child", L"v"));

    RegKey parentKey;
    ASSERT_TRUE(parentKey.OpenWrite(HKEY_LOCAL_MACHINE, parent));
    EXPECT_TRUE(parentKey.DeleteSubKey(L"child"));  // its values go with it
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, parent + L"\\Child"));
    EXPECT_TRUE(parentKey.DeleteValue(L"KEPT"));
    EXPECT_FALSE(parentKey.DeleteValue(L"kept"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, parentKey.status());
}

TEST_F(RegKeyTest, StaysUnderTheRootItWasGiven) {
    CreateKey(HKEY_CURRENT_USER, kRun);
    const HKEY root = RootFromKeyText(std::wstring(L"HKCU\\") + kRun);
    ASSERT_EQ(HKEY_CURRENT_USER, root);
    RegKey key;
    ASSERT_TRUE(key.OpenWrite(root, SubPathFromKeyText(std::wstring(L"HKCU\\") + kRun, 19)));
    WriteString(HKEY_CURRENT_USER, kRun, L"Mine", L"m.exe");
    EXPECT_EQ(L"m.exe", key.ReadString(L"Mine"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRun));
}

TEST(RootFromKeyText, MapsOnlyHklmAndHkcu) {
    EXPECT_EQ(HKEY_CURRENT_USER, RootFromKeyText(L"hkcu\\Software"));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, RootFromKeyText(L"HKLM\\System\\CurrentControlSet\\Services"));
    EXPECT_EQ(nullptr, RootFromKeyText(L"HKLM"));
    EXPECT_EQ(nullptr, RootFromKeyText(L"HKCR\\CLSID"));
}

TEST(AnsiToWide, WidensInTheThreadCodePage) {
    EXPECT_EQ(L"", AnsiToWide(nullptr));
    EXPECT_EQ(L"", AnsiToWide(""));
    EXPECT_EQ(L"%SystemRoot%\\system32\\mswsock.dll", AnsiToWide("%SystemRoot%\\system32\\mswsock.dll"));
}

TEST(SameRegistryName, IgnoresLetterCase) {
    EXPECT_TRUE(SameRegistryName(L"Userinit", L"USERINIT"));
    EXPECT_FALSE(SameRegistryName(L"Shell", L"Shell2"));
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

using namespace std::string_literals;

class CountedNameTest : public ::testing::Test {
protected:
    test::RegistrySandbox sandbox;
};

TEST_F(CountedNameTest, AValueWhoseNameHoldsANulIsReadWrittenAndDeletedByItsWholeName) {
    test::WriteString(HKEY_CURRENT_USER, kRun, L"Tool", L"plain");
    test::WriteNamedString(HKEY_CURRENT_USER, kRun, L"Tool\0x"s, L"hidden");
    RegKey key;
    ASSERT_TRUE(key.OpenWrite(HKEY_CURRENT_USER, kRun));
    EXPECT_EQ(L"hidden", key.ReadString(L"Tool\0x"s));
    EXPECT_EQ(L"plain", key.ReadString(L"Tool"));
    const std::wstring text = L"changed";
    ASSERT_TRUE(key.SetValue(L"Tool\0x"s, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
    EXPECT_EQ(L"changed", key.ReadString(L"Tool\0x"s));
    EXPECT_EQ(L"plain", key.ReadString(L"Tool"));
    ASSERT_TRUE(key.DeleteValue(L"Tool\0x"s));
    EXPECT_EQ(L"plain", key.ReadString(L"Tool"));
    EXPECT_FALSE(FindValue(key, L"Tool\0x"s).found());
    EXPECT_TRUE(FindValue(key, L"tool").found());
}

TEST_F(CountedNameTest, KeysWhoseNamesHoldANulAreOpenedCreatedAndDeleted) {
    const std::wstring hidden = std::wstring(kRun) + L"\\Evil\0x"s;
    RegKey key;
    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, hidden + L"\\Inner"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kRun) + L"\\Evil"));  // not cut at the NUL
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, hidden));
    EXPECT_EQ(1u, key.SubKeyCount());
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_EQ(L"Evil\0x"s, key.SubKeyName(0));
    RegKey parent;
    ASSERT_TRUE(parent.OpenRead(HKEY_LOCAL_MACHINE, hidden));
    EXPECT_TRUE(parent.DeleteSubKey(L"Inner"));
    ASSERT_TRUE(parent.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_TRUE(parent.DeleteSubKey(L"Evil\0x"s));
    EXPECT_EQ(0u, parent.SubKeyCount());
}

TEST_F(CountedNameTest, DeletingALinkDeletesTheLinkAndNeverItsTarget) {
    test::WriteString(HKEY_LOCAL_MACHINE, L"Software\\Target", L"Keep", L"me");
    test::CreateKey(HKEY_LOCAL_MACHINE, kRun);
    test::CreateLink(HKEY_LOCAL_MACHINE, kRun, L"Link", HKEY_LOCAL_MACHINE, L"Software\\Target");
    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, std::wstring(kRun) + L"\\Link"));
    EXPECT_EQ(L"me", key.ReadString(L"Keep"));  // reading follows the link, as Windows does
    ASSERT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, kRun));
    ASSERT_TRUE(key.DeleteSubKey(L"Link"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kRun) + L"\\Link"));
    EXPECT_TRUE(test::ValueExists(HKEY_LOCAL_MACHINE, L"Software\\Target", L"Keep"));
}

TEST_F(CountedNameTest, ANewKeyIsNeverMergedIntoAnExistingOneAndKeepsItsTraits) {
    test::WriteString(HKEY_LOCAL_MACHINE, std::wstring(kRun) + L"\\Taken", L"Keep", L"me");
    RegKey key;
    EXPECT_FALSE(key.CreateNew(HKEY_LOCAL_MACHINE, kRun, L"taken", KeyTraits{}));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, key.status());
    EXPECT_FALSE(key.IsOpen());
    KeyTraits traits;
    traits.className = L"Special";
    traits.isVolatile = true;
    ASSERT_TRUE(key.CreateNew(HKEY_LOCAL_MACHINE, kRun, L"Fresh", traits));
    std::wstring className;
    ASSERT_TRUE(key.ReadClassName(className));
    EXPECT_EQ(L"Special", className);
    // Below a volatile key only volatile keys can be made.
    RegKey child;
    EXPECT_FALSE(child.CreateNew(HKEY_LOCAL_MACHINE, std::wstring(kRun) + L"\\Fresh", L"Child", KeyTraits{}));
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, child.status());
}

TEST(SameRegistryName, FoldsCaseAsTheRegistryDoesAndIgnoresNothing) {
    EXPECT_TRUE(SameRegistryName(L"Updater", L"UPDATER"));
    EXPECT_TRUE(SameRegistryName(L"\u00c9t\u00e9", L"\u00e9T\u00c9"));  // letters beyond ASCII fold too
    EXPECT_FALSE(SameRegistryName(L"Up\u00ADdater", L"Updater"));       // a soft hyphen counts
    EXPECT_FALSE(SameRegistryName(L"Tool\0x"s, L"Tool"));               // so does a NUL
    EXPECT_FALSE(SameRegistryName(L"Tool\0x"s, L"Tool\0y"s));
    EXPECT_EQ(FoldRegistryName(L"Abc\0d"s), FoldRegistryName(L"aBC\0D"s));
}

TEST_F(CountedNameTest, ALookUpWhoseWalkFailsSaysSoInsteadOfNotThere) {
    test::WriteString(HKEY_CURRENT_USER, kRun, L"A", L"a");
    test::WriteString(HKEY_CURRENT_USER, kRun, L"B", L"b");
    RegKey key;
    ASSERT_TRUE(key.OpenRead(HKEY_CURRENT_USER, kRun));
    EXPECT_TRUE(FindValue(key, L"Z").absent());
    for (int n = 1; n <= 4; ++n) {
        test::FaultInjection faults(n, false, ERROR_NO_MORE_ITEMS);
        const auto lookup = FindValue(key, L"Z");
        EXPECT_TRUE(lookup.failed() || (faults.injected() == 0 && lookup.absent())) << n;
    }
}

}  // namespace
}  // namespace tarn
