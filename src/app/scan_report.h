#pragma once

#include "model/autorun_entry.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

struct ScanOptions {
    bool csv = false;
    bool verify = true;
};

// Options of the console report; nothing for an unknown option.
std::optional<ScanOptions> ParseScanOptions(const std::vector<std::wstring>& arguments);

constexpr wchar_t kScanUsage[] = L"usage: tarnscan [--csv] [--no-verify]\r\n";

// The flags column: "nul-in-name" for an entry whose name holds a NUL, else empty.
std::wstring EntryFlags(const AutoRunEntry& entry);

// RFC 4180 field: quoted (with doubled quotes) when it holds a quote, comma, CR or LF.
std::wstring CsvField(const std::wstring& text);
std::wstring CsvHeader();
std::wstring CsvRow(std::size_t categoryIndex, const std::wstring& caption, const AutoRunEntry& entry);

// Plain report: a caption line per category, then one tab-separated line per entry; an entry
// whose name holds a NUL ends in a field that says so.
std::wstring TextCategoryLine(const std::wstring& caption, std::size_t entryCount);
std::wstring TextEntryLine(const AutoRunEntry& entry);

// The state column as the pages show it: empty for a missing file.
std::wstring StateText(int32_t state);

// UTF-8 of UTF-16 text (or of code points, where wide characters are 32-bit); an unpaired
// surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

}  // namespace tarn
