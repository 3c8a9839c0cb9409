#include "model/list_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using Items = std::vector<std::wstring>;

TEST(SplitListText, SplitsAtEverySeparatorKeepingEmptyInnerItems) {
    struct Case {
        std::wstring text;
        wchar_t separator;
        std::optional<Items> expected;
    };
    const Case cases[] = {
        {L"C:\\WINDOWS\\system32\\userinit.exe,", L',', Items{L"C:\\WINDOWS\\system32\\userinit.exe"}},
        {L"a.exe,b.exe", L',', Items{L"a.exe", L"b.exe"}},
        {L"a,,b", L',', Items{L"a", L"", L"b"}},
        {L",a", L',', Items{L"", L"a"}},
        {L"a, b", L',', Items{L"a", L" b"}},
        {L"explorer.exe tray.exe ", L' ', Items{L"explorer.exe", L"tray.exe"}},
        {L",", L',', Items{L""}},
        {L"explorer.exe", L' ', std::nullopt},
        {L"", L',', std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, SplitListText(c.text, c.separator)) << c.text.size();
    }
}

TEST(ListSeparatorFor, KnowsTheThreeListValuesInAnyCase) {
    EXPECT_EQ(std::optional<wchar_t>(L' '), ListSeparatorFor(L"shell"));
    EXPECT_EQ(std::optional<wchar_t>(L','), ListSeparatorFor(L"USERINIT"));
    EXPECT_EQ(std::optional<wchar_t>(L','), ListSeparatorFor(L"AppInit_DLLs"));
    EXPECT_EQ(std::nullopt, ListSeparatorFor(L"Shell2"));
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

TEST(SplitListItems, TakesAWholeTextWithoutSeparatorAsOneItem) {
    EXPECT_EQ((std::vector<std::wstring>{L"Explorer.exe"}), SplitListItems(L"Explorer.exe", L' '));
    EXPECT_EQ(std::vector<std::wstring>{}, SplitListItems(L"", L','));
    EXPECT_EQ((std::vector<std::wstring>{L"u.exe", L"", L"x.exe"}), SplitListItems(L"u.exe,,x.exe,", L','));
}

TEST(JoinListItems, WritesEveryItemFollowedByTheSeparator) {
    EXPECT_EQ(L"a.dll,b.dll,", JoinListItems({L"a.dll", L"b.dll"}, L','));
    EXPECT_EQ(L"Explorer.exe ", JoinListItems({L"Explorer.exe"}, L' '));
    EXPECT_EQ(L"", JoinListItems({}, L','));
    // Splitting what was joined gives the items back.
    const std::vector<std::wstring> items = {L"c:\\a.exe", L"", L"b"};
    EXPECT_EQ(items, SplitListItems(JoinListItems(items, L','), L','));
}

TEST(SplitProviderOrder, KeepsAnEmptyLastName) {
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L""}), SplitProviderOrder(L"A,B,"));
    EXPECT_EQ((std::vector<std::wstring>{L"A", L" B"}), SplitProviderOrder(L"A, B"));
    EXPECT_EQ(std::nullopt, SplitProviderOrder(L"Single"));
    EXPECT_EQ(std::nullopt, SplitProviderOrder(L""));
}

}  // namespace
}  // namespace tarn
