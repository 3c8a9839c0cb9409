#pragma once

// The JSON report of tarnscan and the compare of a scan with an earlier report. Pure logic over
// the JSON library, tested without Windows.

#include "base/autorun_entry.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

constexpr char kReportTool[] = "tarnscan";
constexpr int kReportFormat = 1;

// What the report says of an entry beside its record.
struct EntryFindings {
    std::optional<uint32_t> signatureCode;  // none when the scan did not verify
    std::wstring signer;
    std::wstring sha256;  // empty when not hashed
};

// The state as a word: "enabled", "disabled" or "file missing".
std::string StateWord(int32_t state);

nlohmann::json EntryJson(std::size_t categoryIndex,
                         const std::wstring& caption,
                         const AutoRunEntry& entry,
                         const EntryFindings& findings);

// The whole document: the scan's time, machine and user, and the categories in tab order, each
// with its entries.
struct ReportHeader {
    std::wstring time;
    std::wstring machine;
    std::wstring user;
};
nlohmann::json ReportJson(const ReportHeader& header, const std::vector<nlohmann::json>& categories);
// A category with its entries and the places of it that could not be read.
nlohmann::json CategoryJson(std::size_t categoryIndex,
                            const std::wstring& caption,
                            std::vector<nlohmann::json> entries,
                            const std::vector<std::wstring>& unreadable = {});

// The compare of a scan with an earlier report of this program.
struct BaselineCompare {
    int status = 2;                  // 0 nothing differs, 1 something does, 2 the baseline was refused
    std::vector<std::string> lines;  // "new: ...", "gone: ...", "changed: ..."
    std::string error;               // why the baseline was refused
};
BaselineCompare CompareWithBaseline(const std::string& baselineText, const nlohmann::json& current);

}  // namespace tarn
