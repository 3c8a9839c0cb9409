#pragma once

#include "base/autorun_entry.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

struct ScanOptions {
    bool csv = false;
    bool json = false;
    bool verify = true;
    // How many files the scan read, verified and hashed, on the error output.
    bool stats = false;
    bool hash = false;
    // Also the registrations whose command resolves to no file.
    bool all = false;
    bool help = false;
    std::wstring baseline;  // an earlier --json report to compare with; empty for none
};

// Options of the console report; nothing for an unknown option, a missing baseline file name or
// two report formats at once.
std::optional<ScanOptions> ParseScanOptions(const std::vector<std::wstring>& arguments);

constexpr wchar_t kScanUsage[] =
    L"usage: tarnscan [--csv | --json] [--no-verify] [--hash] [--all] [--stats] [--baseline FILE] [--help]\r\n"
    L"  --csv            one CSV row per entry, with a header\r\n"
    L"  --json           one JSON document: scan time, machine, user, and every entry by category\r\n"
    L"  --no-verify      do not verify signatures\r\n"
    L"  --hash           the SHA-256 of each entry's file, once per distinct file\r\n"
    L"  --all            also registrations whose command resolves to no file (state \"file missing\")\r\n"
    L"  --stats          how many files were read, verified and hashed, on the error output\r\n"
    L"  --baseline FILE  compare with an earlier --json report: prints what is new, gone or changed;\r\n"
    L"                   exit status 0 when nothing differs, 1 when something does, 2 on bad input\r\n"
    L"  --help           this text\r\n";

// The flags column: "nul-in-name" for an entry whose name holds a NUL, else empty.
std::wstring EntryFlags(const AutoRunEntry& entry);

// RFC 4180 field: quoted (with doubled quotes) when it holds a quote, comma, CR or LF.
std::wstring CsvField(const std::wstring& text);
// With a hash, the rows end in a "sha256" column.
std::wstring CsvHeader(bool withHash = false);
std::wstring CsvRow(std::size_t categoryIndex,
                    const std::wstring& caption,
                    const AutoRunEntry& entry,
                    const std::wstring* sha256 = nullptr);

// Plain report: a caption line per category, then one tab-separated line per entry, its state as
// the pages show it; an entry whose name holds a NUL ends in a field that says so.
std::wstring TextCategoryLine(const std::wstring& caption, std::size_t entryCount);
// A place of the category that could not be read ("place: why").
std::wstring TextUnreadableLine(const std::wstring& place);
std::wstring TextEntryLine(const AutoRunEntry& entry, const std::wstring* sha256 = nullptr);

// UTF-8 of UTF-16 text (or of code points, where wide characters are 32-bit); an unpaired
// surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

}  // namespace tarn
