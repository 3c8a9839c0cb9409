#include "app/scan_report.h"

#include "base/registry_view.h"
#include "pages/row_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

TEST(ParseScanOptions, AcceptsOnlyTheKnownOptions) {
    const auto plain = ParseScanOptions({});
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->csv);
    EXPECT_TRUE(plain->verify);
    const auto both = ParseScanOptions({L"--no-verify", L"--csv"});
    ASSERT_TRUE(both.has_value());
    EXPECT_TRUE(both->csv);
    EXPECT_FALSE(both->verify);
    EXPECT_FALSE(both->stats);
    const auto stats = ParseScanOptions({L"--stats"});
    ASSERT_TRUE(stats.has_value());
    EXPECT_TRUE(stats->stats);
    const auto every = ParseScanOptions({L"--json", L"--hash", L"--all", L"--baseline", L"old.json", L"--help"});
    ASSERT_TRUE(every.has_value());
    EXPECT_TRUE(every->json && every->hash && every->all && every->help);
    EXPECT_EQ(L"old.json", every->baseline);
    EXPECT_FALSE(ParseScanOptions({L"--baseline"}).has_value());  // the file name is missing
    EXPECT_FALSE(ParseScanOptions({L"--baseline", L""}).has_value());
    EXPECT_FALSE(ParseScanOptions({L"--csv", L"--json"}).has_value());
    EXPECT_FALSE(ParseScanOptions({L"--csv", L"-x"}).has_value());
    EXPECT_FALSE(ParseScanOptions({L"csv"}).has_value());
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(L"plain text", CsvField(L"plain text"));
    EXPECT_EQ(L"", CsvField(L""));
    EXPECT_EQ(L"\"a,b\"", CsvField(L"a,b"));
    EXPECT_EQ(L"\"say \"\"hi\"\"\"", CsvField(L"say \"hi\""));
    EXPECT_EQ(L"\"2010 年\n\"", CsvField(L"2010 年\n"));
    EXPECT_EQ(L"\"a\rb\"", CsvField(L"a\rb"));
}

TEST(CsvRow, HoldsTheCategoryAndEveryFieldInOrder) {
    AutoRunEntry entry;
    entry.name = L"Run, me";
    entry.signature = L"签名正常";
    entry.description = L"d";
    entry.imagePath = L"c:\\a.exe";
    entry.company = L"co";
    entry.fileTime = L"t\n";
    entry.fileVersion = L"1.0";
    entry.commandLine = L"\"c:\\a.exe\" /x";
    entry.location = L"HKLM\\Run";
    entry.keyPath = L"HKLM\\Run";
    entry.valueName = L"v";
    entry.subKeyName = L"s";
    entry.sizeKB = -1;
    entry.state = 17;
    entry.locationKind = 14;
    entry.entryKind = 19;
    entry.locateKind = 28;
    entry.taskAuthor = L"me";
    entry.taskDescription = L"a, b";
    entry.taskTriggers = L"登录时";
    entry.approvalKey = L"HKLM\\SA\\Run";
    entry.offByWindows = true;
    entry.technique = L"T1547.001";
    entry.user = L"bob, jr";
    entry.userSid = L"S-1-5-21-1-2-3-1001";
    const std::wstring ownBits = std::to_wstring(sizeof(void*) * 8);
    EXPECT_EQ(
        L"0,登录启动,\"Run, me\",签名正常,d,c:\\a.exe,co,\"t\n\",1.0,\"\"\"c:\\a.exe\"\" /x\",HKLM\\Run,"
        L"HKLM\\Run,v,s,-1,17,14,19,0,28,off-by-windows," +
            ownBits + L",me,\"a, b\",登录时,HKLM\\SA\\Run,时间未知,T1547.001,\"bob, jr\",S-1-5-21-1-2-3-1001\r\n",
        CsvRow(0, L"登录启动", entry));
    EXPECT_NE(std::wstring::npos, TextEntryLine(entry).find(L"\t用户=bob, jr\t用户SID=S-1-5-21-1-2-3-1001"));
    EXPECT_EQ(L"Run, me [bob, jr]", DisplayName(entry).substr(0, 17));
    EXPECT_EQ(0u, CsvHeader().find(L"category,caption,name,signature,"));
}

TEST(TextReport, ShowsStateSignatureNamePathCompanyAndLocation) {
    AutoRunEntry entry;
    entry.name = L"n";
    entry.signature = L"无签名";
    entry.imagePath = L"c:\\x.dll";
    entry.company = L"c";
    entry.location = L"HKLM\\K";
    entry.state = EntryDisabled;
    EXPECT_EQ(L"已禁用\t无签名\tn\tc:\\x.dll\tc\tHKLM\\K\r\n", TextEntryLine(entry));
    entry.state = EntryFileMissing;
    EXPECT_EQ(L"\t文件不存在\tn\tc:\\x.dll\tc\tHKLM\\K\r\n", TextEntryLine(entry));
    EXPECT_EQ(L"== 系统服务 (3)\r\n", TextCategoryLine(L"系统服务", 3));
    entry.state = EntryOffByWindows;
    entry.offByWindows = true;
    entry.offByWindowsAt = 0x01DD87B257537A80;
    entry.technique = L"T1547.001";
    EXPECT_EQ(L"系统禁用\t无签名\tn\tc:\\x.dll\tc\tHKLM\\K\t系统禁用于=2026-12-09 07:53:13 UTC\t技术=T1547.001\r\n",
              TextEntryLine(entry));
}

TEST(NulNames, AreShownVisiblyAndFlaggedInBothReports) {
    using namespace std::string_literals;
    AutoRunEntry entry;
    entry.name = L"Hidden\0x"s;
    entry.imagePath = L"c:\\evil.exe";
    entry.location = L"HKCU\\Run";
    entry.keyPath = L"HKCU\\Run";
    entry.state = EntryEnabled;
    EXPECT_EQ(L"Hidden\\0x", VisibleText(entry.name));
    EXPECT_EQ(L"已启用\t\tHidden\\0x\tc:\\evil.exe\t\tHKCU\\Run\t名称含空字符\r\n", TextEntryLine(entry));
    const std::wstring row = CsvRow(0, L"登录启动", entry);
    EXPECT_EQ(0u, row.find(L"0,登录启动,Hidden\\0x,"));
    const std::wstring flagged = L",nul-in-name," + std::to_wstring(sizeof(void*) * 8) + L",,,,,,,,\r\n";
    EXPECT_EQ(row.size() - flagged.size(), row.rfind(flagged));
    EXPECT_EQ(std::wstring::npos, row.find(L'\0'));

    entry.name = L"Plain";
    EXPECT_EQ(L"", EntryFlags(entry));
    entry.name = L"RTL \u202Eexe.tset\a";
    EXPECT_EQ(L"bidi-in-name control-in-name", EntryFlags(entry));
    EXPECT_EQ(L"已启用\t\tRTL \\u202Eexe.tset\\u0007\tc:\\evil.exe\t\tHKCU\\Run\t含方向控制字符\t含控制字符\r\n",
              TextEntryLine(entry));
    EXPECT_NE(std::wstring::npos, CsvRow(0, L"登录启动", entry).find(L",RTL \\u202Eexe.tset\\u0007,"));
    entry.name = L"Plain";
    entry.subKeyName = L"Evil\0Svc"s;
    EXPECT_EQ(L"nul-in-name", EntryFlags(entry));
}

TEST(Views, AnEntryOfThe32BitViewIsMarkedWhereTheProgramIs64Bit) {
    AutoRunEntry entry;
    entry.name = L"Tool";
    entry.location = L"HKLM\\Software\\Wow6432Node\\Run";
    entry.state = EntryEnabled;
    entry.view = static_cast<int32_t>(RegistryView::Wow32);
    const bool marked = sizeof(void*) == 8;
    EXPECT_EQ(marked ? L"Tool [32位]" : L"Tool", DisplayName(entry));
    EXPECT_EQ(marked, TextEntryLine(entry).find(L"\t32位\r\n") != std::wstring::npos);
    EXPECT_EQ(L",32,,,,,,,,\r\n", CsvRow(0, L"登录启动", entry).substr(CsvRow(0, L"登录启动", entry).size() - 13));
}

TEST(Utf8FromWide, EncodesEveryPlaneAndReplacesLoneSurrogates) {
    EXPECT_EQ("abc", Utf8FromWide(L"abc"));
    EXPECT_EQ("\xE7\xAD\xBE\xE5\x90\x8D", Utf8FromWide(L"签名"));
    EXPECT_EQ("\xC3\xA9", Utf8FromWide(L"\u00e9"));
    std::wstring emoji;
    if (sizeof(wchar_t) == 2) {
        emoji = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    } else {
        emoji = {static_cast<wchar_t>(0x1F600)};
    }
    EXPECT_EQ("\xF0\x9F\x98\x80", Utf8FromWide(emoji));
    const std::wstring lone = {L'a', static_cast<wchar_t>(0xD800), L'b'};
    EXPECT_EQ(
        "a\xEF\xBF\xBD"
        "b",
        Utf8FromWide(lone));
}

}  // namespace
}  // namespace tarn
