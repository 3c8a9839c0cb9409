#include "pages/row_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace std::string_literals;
using Cells = std::vector<std::wstring>;

AutoRunEntry Entry(int32_t state, const std::wstring& signature) {
    AutoRunEntry entry;
    entry.name = L"Tool";
    entry.state = state;
    entry.signature = signature;
    entry.description = L"desc";
    entry.imagePath = L"c:\\tool.exe";
    entry.company = L"co";
    return entry;
}

TEST(RowTexts, FillTheColumnsOfEachLayout) {
    EXPECT_EQ((Cells{L"Tool", L"已启用", L"签名正常", L"desc", L"c:\\tool.exe", L"co"}),
              RowTexts(Entry(EntryEnabled, L"签名正常"), true, ColumnSet::Standard));
    EXPECT_EQ((Cells{L"Tool", L"已禁用", L"desc", L"c:\\tool.exe", L"co"}),
              RowTexts(Entry(EntryDisabled, L"签名正常"), true, ColumnSet::WithoutSignature));
    // A missing file shows its name and the missing text in the path column, nothing else.
    EXPECT_EQ((Cells{L"Tool", L"", L"", L"", L"文件不存在", L""}),
              RowTexts(Entry(EntryFileMissing, L""), false, ColumnSet::Standard));
    EXPECT_EQ((Cells{L"Tool", L"", L"", L"文件不存在", L""}),
              RowTexts(Entry(EntryFileMissing, L""), false, ColumnSet::WithoutSignature));
    EXPECT_EQ(6u, ColumnsOf(ColumnSet::Standard).size());
    EXPECT_EQ(5u, ColumnsOf(ColumnSet::WithoutSignature).size());
}

TEST(RowColour, MarksHiddenNamesUnsignedFilesAndMissingFilesInThatOrder) {
    struct Case {
        Cells cells;
        ColumnSet columns;
        uint32_t colour;
    };
    const Case cases[] = {
        {{L"a", L"已启用", L"签名正常", L"", L"c:\\a.exe", L""}, ColumnSet::Standard, kColourNormal},
        {{L"a", L"已启用", L"无签名", L"", L"c:\\a.exe", L""}, ColumnSet::Standard, kColourUnsigned},
        {{L"a", L"", L"", L"", L"文件不存在", L""}, ColumnSet::Standard, kColourMissing},
        {{L"a", L"", L"无签名", L"", L"文件不存在", L""}, ColumnSet::Standard, kColourUnsigned},
        {{L"a", L"", L"", L"文件不存在", L""}, ColumnSet::WithoutSignature, kColourMissing},
        // The hijack page's description column says nothing about a signature.
        {{L"a", L"已启用", L"无签名", L"c:\\a.exe", L""}, ColumnSet::WithoutSignature, kColourNormal},
        {{L"a\\0b [名称含空字符]", L"已启用", L"无签名", L"", L"c:\\a.exe", L""}, ColumnSet::Standard,
         kColourHiddenName},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.colour, RowColour(c.cells, c.columns)) << c.cells[2].size() << " " << c.cells.size();
    }
}

TEST(DisplayName, ShowsANulAndMarksTheEntry) {
    AutoRunEntry entry;
    entry.name = L"Plain";
    EXPECT_EQ(L"Plain", DisplayName(entry));
    entry.name = L"Up\0x"s;
    EXPECT_EQ(L"Up\\0x [名称含空字符]", DisplayName(entry));
    entry.name = L"Service";
    entry.subKeyName = L"Service\0x"s;  // a key name with a NUL marks the entry too
    EXPECT_EQ(L"Service [名称含空字符]", DisplayName(entry));
    EXPECT_EQ(L"a\\0b\\0", VisibleText(L"a\0b\0"s));
}

}  // namespace
}  // namespace tarn
