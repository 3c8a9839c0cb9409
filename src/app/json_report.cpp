#include "app/json_report.h"

#include "app/scan_report.h"
#include "pages/row_texts.h"

#include <map>

namespace tarn {

namespace {

using nlohmann::json;

std::string U8(const std::wstring& text) {
    return Utf8FromWide(text);
}

// The bitness of the program that wrote a report; reports without it came from the 64-bit one.
int ProgramBitsOf(const json& report) {
    const auto bits = report.find("programBits");
    return bits != report.end() && bits->is_number_integer() ? bits->get<int>() : 64;
}

// What identifies a registration across scans; one of the other registry view than the program's
// own is another registration. An entry without a view is of the program's own.
std::string KeyOf(const json& entry, int programBits) {
    const auto view = entry.find("view");
    const bool otherView = view != entry.end() && view->is_number_integer() && view->get<int>() != programBits;
    return std::to_string(entry.at("category").get<int>()) + " | " + entry.at("location").get<std::string>() + " | " +
           entry.at("name").get<std::string>() + (otherView ? " | 32-bit view" : "");
}

// A report's entries by key; refuses a document that is not a complete report of this program.
std::optional<std::map<std::string, json>> EntriesOf(const json& report, std::string& error) {
    if (!report.is_object() || report.value("tool", "") != kReportTool) {
        error = "not a report of tarnscan";
        return std::nullopt;
    }
    if (report.value("format", 0) != kReportFormat) {
        error = "a report format this program does not read";
        return std::nullopt;
    }
    if (!report.contains("categories") || !report.at("categories").is_array() || !report.contains("entryCount")) {
        error = "the report is incomplete";
        return std::nullopt;
    }
    std::map<std::string, json> entries;
    std::size_t count = 0;
    for (const json& category : report.at("categories")) {
        if (!category.is_object() || !category.contains("entries") || !category.at("entries").is_array()) {
            error = "the report is incomplete";
            return std::nullopt;
        }
        for (const json& entry : category.at("entries")) {
            if (!entry.is_object() || !entry.contains("category") || !entry.at("category").is_number_integer() ||
                !entry.contains("location") || !entry.at("location").is_string() || !entry.contains("name") ||
                !entry.at("name").is_string()) {
                error = "an entry of the report lacks its category, location or name";
                return std::nullopt;
            }
            entries.emplace(KeyOf(entry, ProgramBitsOf(report)), entry);
            ++count;
        }
    }
    if (!report.at("entryCount").is_number_unsigned() || report.at("entryCount").get<std::size_t>() != count) {
        error = "the report is incomplete: its entry count does not match its entries";
        return std::nullopt;
    }
    return entries;
}

std::string Field(const json& entry, const char* name) {
    if (!entry.contains(name)) {
        return "(none)";
    }
    const json& value = entry.at(name);
    return value.is_string() ? value.get<std::string>() : value.dump();
}

}  // namespace

std::string StateWord(int32_t state) {
    switch (state) {
        case EntryEnabled:
            return "enabled";
        case EntryDisabled:
            return "disabled";
        case EntryOffByWindows:
            return "off by Windows";
        default:
            return "file missing";
    }
}

json EntryJson(std::size_t categoryIndex,
               const std::wstring& caption,
               const AutoRunEntry& entry,
               const EntryFindings& findings) {
    json out = {
        {"category", categoryIndex},
        {"caption", U8(caption)},
        {"name", U8(entry.name)},
        {"signature", U8(entry.signature)},
        {"description", U8(entry.description)},
        {"imagePath", U8(entry.imagePath)},
        {"company", U8(entry.company)},
        {"fileTime", U8(entry.fileTime)},
        {"fileVersion", U8(entry.fileVersion)},
        {"commandLine", U8(entry.commandLine)},
        {"location", U8(entry.location)},
        {"keyPath", U8(entry.keyPath)},
        {"valueName", U8(entry.valueName)},
        {"subKeyName", U8(entry.subKeyName)},
        {"sizeKB", entry.sizeKB},
        {"stateCode", entry.state},
        {"state", StateWord(entry.state)},
        {"locationKind", entry.locationKind},
        {"entryKind", entry.entryKind},
        {"reserved", entry.reserved},
        {"locateKind", entry.locateKind},
        {"view", ViewBits(entry)},
        {"taskAuthor", U8(entry.taskAuthor)},
        {"taskDescription", U8(entry.taskDescription)},
        {"taskTriggers", U8(entry.taskTriggers)},
        {"approvalKey", U8(entry.approvalKey)},
        {"offByWindows", entry.offByWindows},
        {"notAtStart", entry.notAtStart},
        {"hiddenFromScheduler", entry.hiddenFromScheduler},
        {"userClassOverride", entry.userClassOverride},
        {"details", U8(entry.details)},
        {"technique", U8(entry.technique)},
        {"user", U8(entry.user)},
        {"userSid", U8(entry.userSid)},
        {"userHive", U8(entry.userHive)},
        {"signer", U8(findings.signer)},
    };
    out["offByWindowsAt"] = entry.offByWindows ? json(U8(OffByWindowsTimeText(entry))) : json(nullptr);
    out["signatureCode"] = findings.signatureCode ? json(*findings.signatureCode) : json(nullptr);
    if (!findings.sha256.empty()) {
        out["sha256"] = U8(findings.sha256);
    }
    const bool missing = entry.state == EntryFileMissing;
    out["flags"] = {
        {"nulInName", entry.name.find(L'\0') != std::wstring::npos},
        {"bidiInName", HoldsBidiControl(entry)},
        {"controlInName", HoldsControlCharacter(entry)},
        {"fileMissing", missing},
        {"startsNoFile", entry.startsNoFile},
        {"unsigned", !missing && findings.signatureCode && *findings.signatureCode != 0},
    };
    return out;
}

json CategoryJson(std::size_t categoryIndex,
                  const std::wstring& caption,
                  std::vector<json> entries,
                  const std::vector<std::wstring>& unreadable) {
    json places = json::array();
    for (const std::wstring& place : unreadable) {
        places.push_back(U8(place));
    }
    return {
        {"index", categoryIndex}, {"caption", U8(caption)}, {"entries", std::move(entries)}, {"unreadable", places}};
}

json ReportJson(const ReportHeader& header, const std::vector<json>& categories) {
    std::size_t count = 0;
    for (const json& category : categories) {
        count += category.at("entries").size();
    }
    return {{"tool", kReportTool},     {"format", kReportFormat},
            {"time", U8(header.time)}, {"machine", U8(header.machine)},
            {"user", U8(header.user)}, {"categories", categories},
            {"entryCount", count},     {"programBits", static_cast<int>(sizeof(void*) * 8)}};
}

BaselineCompare CompareWithBaseline(const std::string& baselineText, const json& current) {
    BaselineCompare result;
    const json baseline = json::parse(baselineText, nullptr, false);
    if (baseline.is_discarded()) {
        result.error = "the baseline is not a complete JSON document (cut short or not JSON)";
        return result;
    }
    const auto before = EntriesOf(baseline, result.error);
    if (!before) {
        return result;
    }
    std::string ignored;
    const auto now = EntriesOf(current, ignored);
    if (!now) {
        result.error = "the current scan could not be read back: " + ignored;
        return result;
    }
    static const char* const kCompared[] = {"sha256",      "signatureCode", "signer",      "state",
                                            "commandLine", "imagePath",     "offByWindows"};
    for (const auto& [key, entry] : *now) {
        const auto earlier = before->find(key);
        if (earlier == before->end()) {
            result.lines.push_back("new: " + key + " -> " + Field(entry, "commandLine"));
            continue;
        }
        for (const char* field : kCompared) {
            // A figure only one of the two scans computed (hashes, signatures) is not compared.
            const json& old = earlier->second;
            if (!old.contains(field) || !entry.contains(field) || old.at(field).is_null() ||
                entry.at(field).is_null()) {
                continue;
            }
            const std::string was = Field(earlier->second, field);
            const std::string is = Field(entry, field);
            if (was != is) {
                result.lines.push_back("changed: " + key + ": " + field + " " + was + " -> " + is);
            }
        }
    }
    for (const auto& [key, entry] : *before) {
        if (now->find(key) == now->end()) {
            result.lines.push_back("gone: " + key + " -> " + Field(entry, "commandLine"));
        }
    }
    result.status = result.lines.empty() ? 0 : 1;
    return result;
}

}  // namespace tarn
