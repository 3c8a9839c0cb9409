#include "pages/row_texts.h"
#include "pages/row_order.h"

#include "base/key_text.h"

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

    // A task's own texts stay beside a missing file; an action that starts no file shows its kind.
    AutoRunEntry task = Entry(EntryFileMissing, L"");
    task.taskDescription = L"td";
    task.taskAuthor = L"ta";
    task.taskTriggers = L"登录时";
    task.location = L"C:\\Windows\\Tasks";
    EXPECT_EQ((Cells{L"Tool", L"", L"", L"", L"文件不存在", L"", L"td", L"ta", L"登录时", L"C:\\Windows\\Tasks"}),
              RowTexts(task, false, ColumnSet::Tasks));
    // A task known by its path shows its own name there, its folder last; other pages the whole name.
    task.name = L"\\Vendor\\Sub\\Update";
    task.startsNoFile = true;
    task.state = EntryDisabled;
    task.commandLine = L"发送电子邮件";
    task.description = task.company = L"";
    EXPECT_EQ((Cells{L"Update", L"已禁用", L"", L"", L"发送电子邮件", L"", L"td", L"ta", L"登录时", L"\\Vendor\\Sub"}),
              RowTexts(task, false, ColumnSet::Tasks));
    EXPECT_EQ(task.name, RowTexts(task, false, ColumnSet::Standard)[0]);
    task.name = L"\\Root";
    EXPECT_EQ((Cells{L"Root", L"\\"}), (Cells{DisplayName(task, ColumnSet::Tasks), TaskFolder(task)}));
}

TEST(DetailsLocationText, AddsWhatStartsATaskOfTheNewerScheduler) {
    AutoRunEntry entry;
    entry.location = L"\\Vendor";
    entry.locationKind = LocationFolder;
    EXPECT_EQ(L"\\Vendor", DetailsLocationText(entry));
    entry.keyPath = L"\\Vendor\\Task";
    EXPECT_EQ(L"\\Vendor    触发器：无（仅在请求时运行）", DetailsLocationText(entry));
    entry.taskTriggers = L"登录时、启动时";
    EXPECT_EQ(L"\\Vendor    触发器：登录时、启动时", DetailsLocationText(entry));
    entry.locationKind = LocationKey;
    EXPECT_EQ(L"\\Vendor", DetailsLocationText(entry));
}

TEST(RowColour, MarksHiddenNamesUnsignedFilesAndMissingFilesInThatOrder) {
    using S = SignatureCheck;
    struct Case {
        const wchar_t* name;
        S signature;
        int32_t state;
        ColumnSet columns;
        uint32_t colour;
    };
    const Case cases[] = {
        {L"a", S::Valid, EntryEnabled, ColumnSet::Standard, kColourNormal},
        {L"a", S::NotChecked, EntryDisabled, ColumnSet::Standard, kColourNormal},
        {L"a", S::Invalid, EntryEnabled, ColumnSet::Standard, kColourUnsigned},
        {L"a", S::Invalid, EntryOffByWindows, ColumnSet::Tasks, kColourUnsigned},
        {L"a", S::NotChecked, EntryFileMissing, ColumnSet::Standard, kColourMissing},
        {L"a", S::Invalid, EntryFileMissing, ColumnSet::Standard, kColourUnsigned},
        {L"a", S::NotChecked, EntryFileMissing, ColumnSet::WithoutSignature, kColourMissing},
        // The hijack page shows no signature.
        {L"a", S::Invalid, EntryEnabled, ColumnSet::WithoutSignature, kColourNormal},
        // A name written as the display escapes it is no hidden character.
        {L"a\\0b", S::Invalid, EntryEnabled, ColumnSet::Standard, kColourUnsigned},
    };
    for (const Case& c : cases) {
        AutoRunEntry entry;
        entry.name = c.name;
        entry.signatureCheck = c.signature;
        entry.state = c.state;
        EXPECT_EQ(c.colour, RowColour(entry, c.columns)) << c.name << " " << c.state;
    }
    // A name, command or path that hides or misleads is marked whatever else holds.
    AutoRunEntry nul;
    nul.name = L"a\0b"s;
    nul.signatureCheck = S::Invalid;
    EXPECT_EQ(kColourHiddenName, RowColour(nul, ColumnSet::Standard));
    AutoRunEntry bidi;
    bidi.commandLine = L"c:\\x\u202Eexe.tset";
    bidi.state = EntryFileMissing;
    EXPECT_EQ(kColourHiddenName, RowColour(bidi, ColumnSet::WithoutSignature));
    // A task action that starts no file is not a missing file.
    AutoRunEntry noFile;
    noFile.startsNoFile = true;
    noFile.state = EntryFileMissing;
    EXPECT_EQ(kColourNormal, RowColour(noFile, ColumnSet::Tasks));
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

TEST(FitWithEllipsis, KeepsAsMuchAsFitsAndEndsInAnEllipsisWhenCut) {
    // Ten units a character, twenty for the ellipsis.
    const auto measure = [](const std::wstring& text) {
        int width = 0;
        for (wchar_t c : text) {
            width += c == L'…' ? 20 : 10;
        }
        return width;
    };
    const std::pair<int, std::wstring> cases[] = {
        {100, L"c:\\a b.exe"}, {90, L"c:\\a b.…"}, {40, L"c:…"}, {25, L"…"}, {5, L"…"},
    };
    for (const auto& [width, shown] : cases) {
        EXPECT_EQ(shown, FitWithEllipsis(L"c:\\a b.exe", width, measure)) << width;
    }
    EXPECT_EQ(L"", FitWithEllipsis(L"", 0, measure));
}

TEST(DisplayName, ShowsTextThatReadsOtherThanItIsAndMarksTheEntry) {
    struct Case {
        std::wstring name;
        std::wstring command;
        std::wstring shown;
    };
    const Case cases[] = {
        {L"RTL \u202Eexe.tset", L"", L"RTL \\u202Eexe.tset [含方向控制字符]"},
        {L"Isolate \u2066x\u2069 \u200F", L"", L"Isolate \\u2066x\\u2069 \\u200F [含方向控制字符]"},
        {L"Bell\a tab\t del\x7F c1\x85", L"", L"Bell\\u0007 tab\\u0009 del\\u007F c1\\u0085 [含控制字符]"},
        // A command or path that holds one marks the entry too.
        {L"Tool", L"c:\\x\\\u202Egpj.exe", L"Tool [含方向控制字符]"},
        {L"Plain 中文 ü", L"c:\\plain.exe", L"Plain 中文 ü"},
    };
    for (const Case& c : cases) {
        AutoRunEntry entry;
        entry.name = c.name;
        entry.commandLine = c.command;
        EXPECT_EQ(c.shown, DisplayName(entry));
        const bool marked = c.shown.find(L" [") != std::wstring::npos;
        EXPECT_EQ(marked ? kColourHiddenName : kColourNormal, RowColour(entry, ColumnSet::Standard));
    }
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

TEST(RowOrder, AColumnSortsUpThenDownThenBackToTheScan) {
    SortState state;
    for (const auto& [column, expected] :
         {std::pair{2, SortState{2, SortDirection::Ascending}}, std::pair{2, SortState{2, SortDirection::Descending}},
          std::pair{2, SortState{-1, SortDirection::ScanOrder}}, std::pair{2, SortState{2, SortDirection::Ascending}},
          std::pair{4, SortState{4, SortDirection::Ascending}}}) {
        state = NextSort(state, column);
        EXPECT_EQ(expected.column, state.column);
        EXPECT_EQ(expected.direction, state.direction);
    }
    // Equal keys keep the scan's order both ways; the scan's order is the rows as they came.
    const std::vector<std::wstring> keys = {L"b", L"A", L"c", L"a"};
    const auto noCase = [](const std::wstring& a, const std::wstring& b) {
        return LowerAscii(a).compare(LowerAscii(b));
    };
    EXPECT_EQ((std::vector<std::size_t>{1, 3, 0, 2}), SortedRows(keys, SortDirection::Ascending, noCase));
    EXPECT_EQ((std::vector<std::size_t>{2, 0, 1, 3}), SortedRows(keys, SortDirection::Descending, noCase));
    EXPECT_EQ((std::vector<std::size_t>{0, 1, 2, 3}), SortedRows(keys, SortDirection::ScanOrder, noCase));
}

}  // namespace
}  // namespace tarn
