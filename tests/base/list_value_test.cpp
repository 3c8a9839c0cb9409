#include "base/list_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using Items = std::vector<std::wstring>;

TEST(SplitListText, ReadsEachListAsWindowsReadsIt) {
    struct Case {
        std::wstring text;
        ListSyntax syntax;
        std::optional<Items> expected;
    };
    const Case cases[] = {
        {L"C:\\WINDOWS\\system32\\userinit.exe,", ListSyntax::Userinit, Items{L"C:\\WINDOWS\\system32\\userinit.exe"}},
        {L"a.exe,b.exe", ListSyntax::Userinit, Items{L"a.exe", L"b.exe"}},
        {L"a,,b", ListSyntax::Userinit, Items{L"a", L"", L"b"}},
        {L",a", ListSyntax::Userinit, Items{L"", L"a"}},
        {L"a, b", ListSyntax::Userinit, Items{L"a", L" b"}},
        {L"explorer.exe tray.exe ", ListSyntax::Shell, Items{L"explorer.exe", L"tray.exe"}},
        {L",", ListSyntax::Userinit, Items{L""}},
        {L"explorer.exe", ListSyntax::Shell, std::nullopt},
        {L"", ListSyntax::Userinit, std::nullopt},
        // AppInit: commas or spaces, the spaces around items ignored, no empty items.
        {L"a.dll b.dll", ListSyntax::AppInit, Items{L"a.dll", L"b.dll"}},
        {L"a.dll, b.dll", ListSyntax::AppInit, Items{L"a.dll", L"b.dll"}},
        {L" a.dll ,,b.dll , ", ListSyntax::AppInit, Items{L"a.dll", L"b.dll"}},
        {L"a.dll,", ListSyntax::AppInit, Items{L"a.dll"}},
        {L" a.dll", ListSyntax::AppInit, Items{L"a.dll"}},
        {L", ,", ListSyntax::AppInit, Items{}},
        {L"a.dll", ListSyntax::AppInit, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, SplitListText(c.text, c.syntax)) << c.text.size();
    }
}

TEST(ListSyntaxFor, KnowsTheThreeListValuesInAnyCase) {
    EXPECT_EQ(std::optional<ListSyntax>(ListSyntax::Shell), ListSyntaxFor(L"shell"));
    EXPECT_EQ(std::optional<ListSyntax>(ListSyntax::Userinit), ListSyntaxFor(L"USERINIT"));
    EXPECT_EQ(std::optional<ListSyntax>(ListSyntax::AppInit), ListSyntaxFor(L"AppInit_DLLs"));
    EXPECT_EQ(std::nullopt, ListSyntaxFor(L"Shell2"));
    EXPECT_EQ(L' ', ListSeparator(ListSyntax::Shell));
    EXPECT_EQ(L',', ListSeparator(ListSyntax::AppInit));
}

TEST(SplitListItems, TakesAWholeTextWithoutSeparatorAsOneItem) {
    EXPECT_EQ((Items{L"Explorer.exe"}), SplitListItems(L"Explorer.exe", ListSyntax::Shell));
    EXPECT_EQ(Items{}, SplitListItems(L"", ListSyntax::Userinit));
    EXPECT_EQ((Items{L"u.exe", L"", L"x.exe"}), SplitListItems(L"u.exe,,x.exe,", ListSyntax::Userinit));
    EXPECT_EQ((Items{L"a.dll", L"x.dll"}), SplitListItems(L"a.dll  x.dll", ListSyntax::AppInit));
}

TEST(JoinListItems, WritesEveryItemFollowedByTheSeparator) {
    EXPECT_EQ(L"a.dll,b.dll,", JoinListItems({L"a.dll", L"b.dll"}, ListSyntax::AppInit));
    EXPECT_EQ(L"Explorer.exe ", JoinListItems({L"Explorer.exe"}, ListSyntax::Shell));
    EXPECT_EQ(L"", JoinListItems({}, ListSyntax::Userinit));
    // Splitting what was joined gives the items back.
    const Items items = {L"c:\\a.exe", L"", L"b"};
    EXPECT_EQ(items, SplitListItems(JoinListItems(items, ListSyntax::Userinit), ListSyntax::Userinit));
    // A rebuilt AppInit list loads the same DLLs as the text it came from.
    const Items dlls = SplitListItems(L" a.dll b.dll,c.dll ", ListSyntax::AppInit);
    EXPECT_EQ(dlls, SplitListItems(JoinListItems(dlls, ListSyntax::AppInit), ListSyntax::AppInit));
}

TEST(MultiStringLists, TakeEveryStringUpToTheFirstEmptyOne) {
    using namespace std::string_literals;
    const struct {
        std::wstring units;
        std::wstring text;
        Items items;
    } cases[] = {
        {L"autocheck autochk *\0\0"s, L"autocheck autochk *\0"s, {L"autocheck autochk *"}},
        {L"a\0b c\0\0"s, L"a\0b c\0"s, {L"a", L"b c"}},
        {L"a\0\0hidden\0\0"s, L"a\0"s, {L"a"}},  // Windows stops at the empty string
        {L"a\0b"s, L"a\0b"s, {L"a", L"b"}},      // no terminator
        {L"\0\0"s, L""s, {}},
        {L""s, L""s, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, ListTextOf(c.units, ListSyntax::MultiString)) << c.units.size();
        EXPECT_EQ(c.items, SplitListItems(c.text, ListSyntax::MultiString)) << c.units.size();
    }
    EXPECT_EQ(L"a\0b\0"s, JoinListItems({L"a", L"b"}, ListSyntax::MultiString));
    EXPECT_EQ(L"a,b"s, ListTextOf(L"a,b\0c"s, ListSyntax::Comma));
    EXPECT_EQ((Items{L"credssp.dll", L"x y.dll"}), SplitListItems(L" credssp.dll , ,x y.dll", ListSyntax::Comma));
    EXPECT_EQ((Items{L"credssp.dll"}), SplitListItems(L" credssp.dll ", ListSyntax::Comma));
    EXPECT_EQ(Items{}, SplitListItems(L"  ", ListSyntax::Comma));
    EXPECT_EQ(std::optional<ListSyntax>(ListSyntax::MultiString), ListSyntaxFor(L"bootexecute"));
    EXPECT_EQ(std::optional<ListSyntax>(ListSyntax::MultiString), ListSyntaxFor(L"Security Packages"));
    EXPECT_EQ(std::optional<ListSyntax>(ListSyntax::Comma), ListSyntaxFor(L"SecurityProviders"));
}

TEST(ListItemCommand, NamesTheFileTheSessionManagerOrTheLsaLoads) {
    const struct {
        const wchar_t* list;
        const wchar_t* item;
        const wchar_t* command;
    } cases[] = {
        {L"BootExecute", L"autocheck autochk *", L"\"%SystemRoot%\\System32\\autochk.exe\""},
        {L"BootExecute", L"  AUTOCHECK  autochk /p \\??\\C:", L"\"%SystemRoot%\\System32\\autochk.exe\""},
        {L"SetupExecute", L"evil.com /x", L"\"%SystemRoot%\\System32\\evil.com\""},
        {L"Execute", L"\\??\\C:\\tools\\native arg", L"\"C:\\tools\\native.exe\""},
        {L"Security Packages", L"kerberos", L"\"%SystemRoot%\\System32\\kerberos.dll\""},
        {L"Notification Packages", L"scecli.DLL", L"\"%SystemRoot%\\System32\\scecli.DLL\""},
        {L"SecurityProviders", L"C:\\x\\my provider", L"\"C:\\x\\my provider.dll\""},
        {L"Run", L"a.exe", L"a.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.command, ListItemCommand(c.list, c.item)) << c.item;
    }
    for (const wchar_t* none : {L"", L"  ", L"\"\"", L" \"\" "}) {
        EXPECT_TRUE(IsNoPackage(none));
    }
    EXPECT_FALSE(IsNoPackage(L"msv1_0"));
}

TEST(SplitProviderOrder, NamesEveryProviderAndDropsEmptyNames) {
    EXPECT_EQ((Items{L"A", L"B"}), SplitProviderOrder(L"A,B,"));
    EXPECT_EQ((Items{L"A", L" B"}), SplitProviderOrder(L"A, B"));
    EXPECT_EQ((Items{L"Single"}), SplitProviderOrder(L"Single"));
    EXPECT_EQ((Items{L"A", L"C"}), SplitProviderOrder(L",A,,C"));
    EXPECT_EQ(Items{}, SplitProviderOrder(L""));
}

}  // namespace
}  // namespace tarn
