#include "app/json_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

using nlohmann::json;

AutoRunEntry Entry(const std::wstring& name, const std::wstring& command, int32_t state = EntryEnabled) {
    AutoRunEntry entry;
    entry.name = name;
    entry.commandLine = command;
    entry.imagePath = L"c:\\tools\\a.exe";
    entry.location = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    entry.state = state;
    entry.sizeKB = 12;
    entry.entryKind = KindValue;
    entry.locateKind = LocateValue;
    return entry;
}

json Report(const std::vector<AutoRunEntry>& entries, const std::vector<EntryFindings>& findings = {}) {
    std::vector<json> listed;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        listed.push_back(EntryJson(0, L"登录启动", entries[k], k < findings.size() ? findings[k] : EntryFindings{}));
    }
    return ReportJson({L"2026-12-08T21:00:00", L"HOST", L"user"}, {CategoryJson(0, L"登录启动", listed)});
}

TEST(JsonReport, EveryNameSurvivesTheRoundTripAsItWasWritten) {
    const std::wstring names[] = {
        L"quote \" backslash \\ slash /",
        L"control \x01\x1f\t\r\n end",
        std::wstring(L"Tool\0hidden", 11),
        L"outside the BMP \U0001F600 and CJK 中文",
    };
    std::vector<AutoRunEntry> entries;
    for (const auto& name : names) {
        entries.push_back(Entry(name, L"\"c:\\tools\\a.exe\" /x"));
    }
    const std::string text = Report(entries).dump();
    const json parsed = json::parse(text);
    ASSERT_EQ(1u, parsed.at("categories").size());
    const json& listed = parsed.at("categories")[0].at("entries");
    ASSERT_EQ(4u, listed.size());
    EXPECT_EQ("quote \" backslash \\ slash /", listed[0].at("name").get<std::string>());
    EXPECT_EQ("control \x01\x1f\t\r\n end", listed[1].at("name").get<std::string>());
    EXPECT_EQ(std::string("Tool\0hidden", 11), listed[2].at("name").get<std::string>());
    EXPECT_TRUE(listed[2].at("flags").at("nulInName").get<bool>());
    EXPECT_FALSE(listed[0].at("flags").at("nulInName").get<bool>());
    EXPECT_EQ("outside the BMP \xF0\x9F\x98\x80 and CJK \xE4\xB8\xAD\xE6\x96\x87",
              listed[3].at("name").get<std::string>());
    EXPECT_EQ("\"c:\\tools\\a.exe\" /x", listed[0].at("commandLine").get<std::string>());
    EXPECT_EQ(4u, parsed.at("entryCount").get<std::size_t>());
    EXPECT_EQ("tarnscan", parsed.at("tool").get<std::string>());
    EXPECT_EQ("HOST", parsed.at("machine").get<std::string>());
}

AutoRunEntry OffByWindows(const std::wstring& name, const std::wstring& command, int32_t state, uint64_t at) {
    AutoRunEntry entry = Entry(name, command, state);
    entry.approvalKey = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    entry.offByWindows = true;
    entry.offByWindowsAt = at;
    return entry;
}

TEST(JsonReport, StateSignatureAndFlagsAreSpelledOut) {
    EntryFindings signedFile{0u, L"Example, Inc.", L"ab12"};
    EntryFindings unsignedFile{1u, L"", L""};
    const json parsed =
        json::parse(Report({Entry(L"a", L"a"), Entry(L"b", L"b", EntryDisabled), Entry(L"c", L"c", EntryFileMissing),
                            OffByWindows(L"d", L"d", EntryOffByWindows, 0x01DD87B257537A80),
                            OffByWindows(L"e", L"e", EntryDisabled, 0)},
                           {signedFile, unsignedFile, EntryFindings{}})
                        .dump());
    const json& listed = parsed.at("categories")[0].at("entries");
    EXPECT_EQ("enabled", listed[0].at("state"));
    EXPECT_EQ("disabled", listed[1].at("state"));
    EXPECT_EQ("file missing", listed[2].at("state"));
    EXPECT_EQ("off by Windows", listed[3].at("state"));
    EXPECT_EQ(29, listed[3].at("stateCode"));
    EXPECT_EQ("2026-12-09 07:53:13 UTC", listed[3].at("offByWindowsAt"));
    EXPECT_TRUE(listed[0].at("offByWindowsAt").is_null());
    // In the store and switched off by Windows too: both are told.
    EXPECT_EQ("disabled", listed[4].at("state"));
    EXPECT_TRUE(listed[4].at("offByWindows").get<bool>());
    EXPECT_EQ("时间未知", listed[4].at("offByWindowsAt"));
    EXPECT_EQ(0, listed[0].at("signatureCode"));
    EXPECT_EQ("Example, Inc.", listed[0].at("signer"));
    EXPECT_EQ("ab12", listed[0].at("sha256"));
    EXPECT_FALSE(listed[1].contains("sha256"));
    EXPECT_TRUE(listed[2].at("signatureCode").is_null());
    EXPECT_FALSE(listed[0].at("flags").at("unsigned").get<bool>());
    EXPECT_TRUE(listed[1].at("flags").at("unsigned").get<bool>());
    EXPECT_TRUE(listed[2].at("flags").at("fileMissing").get<bool>());
    EXPECT_FALSE(listed[2].at("flags").at("unsigned").get<bool>());
    // Every field of the record is there.
    for (const char* field :
         {"category", "caption",     "name",         "signature", "description", "imagePath", "company",
          "fileTime", "fileVersion", "commandLine",  "location",  "keyPath",     "valueName", "subKeyName",
          "sizeKB",   "stateCode",   "locationKind", "entryKind", "reserved",    "locateKind"}) {
        EXPECT_TRUE(listed[0].contains(field)) << field;
    }
    EXPECT_EQ(12, listed[0].at("sizeKB"));
}

TEST(BaselineCompare, NewGoneAndChangedByCategoryLocationAndName) {
    const json before =
        Report({Entry(L"Stays", L"s"), Entry(L"Goes", L"g"), Entry(L"Changes", L"old"), Entry(L"Switched", L"w")},
               {EntryFindings{0u, L"", L"aa"}, {}, {}, {}});
    const json same = json::parse(before.dump());
    const auto unchanged = CompareWithBaseline(before.dump(), same);
    EXPECT_EQ(0, unchanged.status);
    EXPECT_TRUE(unchanged.lines.empty());

    const json after = Report({OffByWindows(L"Stays", L"s", EntryOffByWindows, 0), Entry(L"Changes", L"new"),
                               Entry(L"Switched", L"w", EntryDisabled), Entry(L"Arrives", L"n")},
                              {EntryFindings{0u, L"", L"bb"}, {}, {}, {}});
    const auto compare = CompareWithBaseline(before.dump(), after);
    EXPECT_EQ(1, compare.status);
    const std::string key = " | HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run | ";
    std::vector<std::string> lines = compare.lines;
    // Order follows the key; compare as sets of lines.
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> sorted = {
        "changed: 0" + key + "Changes: commandLine old -> new",
        "changed: 0" + key + "Stays: offByWindows false -> true",
        "changed: 0" + key + "Stays: sha256 aa -> bb",
        "changed: 0" + key + "Stays: state enabled -> off by Windows",
        "changed: 0" + key + "Switched: state enabled -> disabled",
        "gone: 0" + key + "Goes -> g",
        "new: 0" + key + "Arrives -> n",
    };
    EXPECT_EQ(sorted, lines);
}

TEST(BaselineCompare, EachRegistryViewIsARegistrationAndAnOldReportIsOfTheProgramsOwn) {
    AutoRunEntry wow32 = Entry(L"Known", L"k.dll");
    wow32.view = 32;
    const json both = Report({Entry(L"Known", L"k.dll"), wow32});
    EXPECT_EQ(0, CompareWithBaseline(both.dump(), both).status);
    // A report of an earlier version carries no views: its entries were the program's own.
    json old = Report({Entry(L"Known", L"k.dll")});
    old.erase("programBits");
    for (json& entry : old["categories"][0]["entries"]) {
        entry.erase("view");
    }
    const auto compare = CompareWithBaseline(old.dump(), both);
    if (sizeof(void*) == 8) {
        ASSERT_EQ(1u, compare.lines.size());
        EXPECT_EQ(0u, compare.lines[0].find(
                          "new: 0 | HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run | Known | 32-bit view"));
    }
    EXPECT_EQ(ViewBits(wow32), both["categories"][0]["entries"][1]["view"].get<int>());
}

TEST(BaselineCompare, AForeignOrCutShortBaselineIsRefusedWhole) {
    const json current = Report({Entry(L"a", L"a")});
    const std::string whole = current.dump();
    const struct {
        std::string text;
        const char* why;
    } cases[] = {
        {whole.substr(0, whole.size() / 2), "cut in half"},
        {whole.substr(0, whole.size() - 1), "last brace missing"},
        {"", "empty"},
        {"[1,2,3]", "not an object"},
        {R"({"tool":"other","format":1,"categories":[],"entryCount":0})", "another program's"},
        {R"({"tool":"tarnscan","format":2,"categories":[],"entryCount":0})", "another format"},
        {R"({"tool":"tarnscan","format":1,"categories":[]})", "no entry count"},
        {R"({"tool":"tarnscan","format":1,"categories":[{"entries":[]}],"entryCount":3})", "count does not match"},
        {R"({"tool":"tarnscan","format":1,"categories":[{"entries":[{"name":"x"}]}],"entryCount":1})",
         "entry lacks key"},
    };
    for (const auto& c : cases) {
        const auto compare = CompareWithBaseline(c.text, current);
        EXPECT_EQ(2, compare.status) << c.why;
        EXPECT_FALSE(compare.error.empty()) << c.why;
        EXPECT_TRUE(compare.lines.empty()) << c.why;
    }
}

}  // namespace
}  // namespace tarn
