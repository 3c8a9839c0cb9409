#include "base/autorun_entry.h"
#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

TEST(RootNameFromKeyText, NamesOnlyTheShortRootsInAnyCase) {
    struct Case {
        const wchar_t* text;
        RootName expected;
    };
    const Case cases[] = {
        {L"HKLM\\Software", RootName::LocalMachine},
        {L"hkcu\\Software", RootName::CurrentUser},
        {L"HkCu\\", RootName::CurrentUser},
        {L"HKU\\S-1-5-18\\Software", RootName::Users},
        {L"hku\\", RootName::Users},
        {L"HKUX\\S-1-5-18", RootName::None},
        {L"HKLM", RootName::None},
        {L"HKCR\\CLSID", RootName::None},
        {L"HKEY_LOCAL_MACHINE\\Software", RootName::None},
        {L"HKLMX\\Software", RootName::None},
        {L"\\HKLM\\Software", RootName::None},
        {L"", RootName::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, RootNameFromKeyText(c.text)) << std::wstring(c.text).size();
    }
}

TEST(SubPathFromKeyText, CutsTheListValueNameOnlyForListItems) {
    struct Case {
        const wchar_t* text;
        int kind;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"HKLM\\A\\B\\C", KindValue, L"A\\B\\C"},
        {L"HKLM\\A\\B\\C", KindKey, L"A\\B\\C"},
        {L"HKLM\\A\\B\\C", KindListItem, L"A\\B"},
        {L"HKLM\\A", KindListItem, L""},
        {L"HKLM\\A", KindValue, L"A"},
        {L"HKLM", KindValue, L""},
        {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", KindValue,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {L"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\AppInit_DLLs", KindListItem,
         L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(c.expected), SubPathFromKeyText(c.text, c.kind));
    }
}

TEST(JoinKeyPath, JoinsWithOneBackslashUpToTheLimit) {
    EXPECT_EQ(std::wstring(L"Software\\Run"), JoinKeyPath(L"Software", L"Run").value());
    EXPECT_EQ(std::wstring(L"\\"), JoinKeyPath(L"", L"").value());

    const std::wstring left(200, L'a');
    const std::wstring fits(kMaxJoinedPathLength - left.size() - 1, L'b');
    const auto joined = JoinKeyPath(left, fits);
    ASSERT_TRUE(joined.has_value());
    EXPECT_EQ(kMaxJoinedPathLength, joined->size());

    EXPECT_FALSE(JoinKeyPath(left, fits + L"b").has_value());
    EXPECT_FALSE(JoinKeyPath(std::wstring(300, L'a'), L"").has_value());
}

TEST(EqualsNoCaseAscii, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCaseAscii(L"TarnAutoRunDisable", L"tarnautorundisable"));
    EXPECT_FALSE(EqualsNoCaseAscii(L"Shell", L"Shell "));
    EXPECT_FALSE(EqualsNoCaseAscii(L"[", L"{"));  // 0x5B and 0x7B differ by the case bit but are not letters
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

TEST(IsClsidLike, NeedsBothBracesInAnyOrder) {
    EXPECT_TRUE(IsClsidLike(L"{00021401-0000-0000-C000-000000000046}"));
    EXPECT_TRUE(IsClsidLike(L"}x{"));
    EXPECT_FALSE(IsClsidLike(L"{open"));
    EXPECT_FALSE(IsClsidLike(L"WinRAR"));
}

TEST(JoinKeyText, JoinsWithoutALimit) {
    const std::wstring longName(300, L'n');
    EXPECT_EQ(L"HKLM\\" + longName, JoinKeyText(L"HKLM", longName));
    EXPECT_EQ(L"CLSID\\{X}", ClassKeyPath(L"{X}"));
}

}  // namespace
}  // namespace tarn
