#include "app/scan_report.h"

#include "pages/page_texts.h"
#include "pages/row_texts.h"

#include <iterator>
#include <utility>

namespace tarn {

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";

std::wstring Number(int32_t value) {
    return std::to_wstring(value);
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

}  // namespace

std::optional<ScanOptions> ParseScanOptions(const std::vector<std::wstring>& arguments) {
    ScanOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--csv") {
            options.csv = true;
        } else if (argument == L"--json") {
            options.json = true;
        } else if (argument == L"--no-verify") {
            options.verify = false;
        } else if (argument == L"--stats") {
            options.stats = true;
        } else if (argument == L"--hash") {
            options.hash = true;
        } else if (argument == L"--all") {
            options.all = true;
        } else if (argument == L"--help") {
            options.help = true;
        } else if (argument == L"--baseline" && i + 1 < arguments.size() && !arguments[i + 1].empty()) {
            options.baseline = arguments[++i];
        } else {
            return std::nullopt;
        }
    }
    if (options.csv && options.json) {
        return std::nullopt;
    }
    return options;
}

std::wstring EntryFlags(const AutoRunEntry& entry) {
    std::wstring flags;
    for (const auto& [set, word] :
         {std::pair{NameHoldsNul(entry), L"nul-in-name"}, std::pair{HoldsBidiControl(entry), L"bidi-in-name"},
          std::pair{HoldsControlCharacter(entry), L"control-in-name"}, std::pair{entry.offByWindows, L"off-by-windows"},
          std::pair{entry.notAtStart, L"not-at-start"}, std::pair{entry.hiddenFromScheduler, L"hidden-from-scheduler"},
          std::pair{entry.userClassOverride, L"user-class-override"}}) {
        if (set) {
            flags += (flags.empty() ? L"" : L" ") + std::wstring(word);
        }
    }
    return flags;
}

std::wstring CsvField(const std::wstring& text) {
    if (text.find_first_of(L"\",\r\n") == std::wstring::npos) {
        return text;
    }
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'"') {
            quoted.push_back(L'"');
        }
        quoted.push_back(c);
    }
    quoted.push_back(L'"');
    return quoted;
}

std::wstring CsvHeader(bool withHash) {
    return L"category,caption,name,signature,description,imagePath,company,fileTime,fileVersion,commandLine,"
           L"location,keyPath,valueName,subKeyName,sizeKB,state,locationKind,entryKind,reserved,locateKind,flags,view,"
           L"taskAuthor,taskDescription,taskTriggers,approvalKey,offByWindowsAt,technique,user,userSid" +
           std::wstring(withHash ? L",sha256" : L"") + kLineEnd;
}

std::wstring CsvRow(std::size_t categoryIndex,
                    const std::wstring& caption,
                    const AutoRunEntry& entry,
                    const std::wstring* sha256) {
    const std::wstring fields[] = {
        std::to_wstring(categoryIndex),
        caption,
        entry.name,
        entry.signature,
        entry.description,
        entry.imagePath,
        entry.company,
        entry.fileTime,
        entry.fileVersion,
        entry.commandLine,
        entry.location,
        entry.keyPath,
        entry.valueName,
        entry.subKeyName,
        Number(entry.sizeKB),
        Number(entry.state),
        Number(entry.locationKind),
        Number(entry.entryKind),
        Number(entry.reserved),
        Number(entry.locateKind),
        EntryFlags(entry),
        Number(ViewBits(entry)),
        entry.taskAuthor,
        entry.taskDescription,
        entry.taskTriggers,
        entry.approvalKey,
        entry.offByWindows ? OffByWindowsTimeText(entry) : L"",
        entry.technique,
        entry.user,
        entry.userSid,
    };
    // The file time is this program's own text, line feed included.
    constexpr std::size_t kFileTimeField = 7;
    std::wstring row;
    for (std::size_t k = 0; k < std::size(fields); ++k) {
        if (k > 0) {
            row.push_back(L',');
        }
        row += CsvField(k == kFileTimeField ? fields[k] : VisibleText(fields[k]));
    }
    if (sha256 != nullptr) {
        row += L"," + CsvField(*sha256);
    }
    return row + kLineEnd;
}

std::wstring TextCategoryLine(const std::wstring& caption, std::size_t entryCount) {
    return L"== " + caption + L" (" + std::to_wstring(entryCount) + L")" + kLineEnd;
}

std::wstring TextUnreadableLine(const std::wstring& place) {
    return L"!! 无法读取\t" + VisibleText(place) + kLineEnd;
}

std::wstring TextEntryLine(const AutoRunEntry& entry, const std::wstring* sha256) {
    const std::wstring signature = entry.state == EntryFileMissing ? kFileMissingText : entry.signature;
    std::wstring flag;
    for (const wchar_t* mark : NameMarks(entry)) {
        flag += std::wstring(L"\t") + mark;
    }
    if (FromOtherView(entry)) {
        flag += std::wstring(L"\t") + kWow32Text;
    }
    // A registration whose command resolves to no file shows the command instead.
    const std::wstring file = entry.imagePath.empty() ? entry.commandLine : entry.imagePath;
    std::wstring tail = sha256 != nullptr ? L"\tsha256=" + *sha256 : std::wstring();
    // What a task says of itself, where it says it.
    const std::pair<const wchar_t*, const std::wstring*> taskTexts[] = {{L"\t作者=", &entry.taskAuthor},
                                                                        {L"\t描述=", &entry.taskDescription},
                                                                        {L"\t触发器=", &entry.taskTriggers},
                                                                        {L"\t详情=", &entry.details},
                                                                        {L"\t用户=", &entry.user},
                                                                        {L"\t用户SID=", &entry.userSid},
                                                                        {L"\t配置单元文件=", &entry.userHive}};
    for (const auto& [label, text] : taskTexts) {
        if (!text->empty()) {
            tail += label + VisibleText(*text);
        }
    }
    if (entry.offByWindows) {
        tail += L"\t系统禁用于=" + OffByWindowsTimeText(entry);
    }
    if (*entry.technique != L'\0') {
        tail += std::wstring(L"\t技术=") + entry.technique;
    }
    return std::wstring(StateCellText(entry)) + L"\t" + signature + L"\t" + VisibleText(entry.name) + L"\t" +
           VisibleText(file) + L"\t" + entry.company + L"\t" + VisibleText(entry.location) + tail + flag + kLineEnd;
}

std::string Utf8FromWide(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto unit = static_cast<uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
                const auto low = static_cast<uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
        }
        if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0x10FFFF) {
            unit = 0xFFFD;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

}  // namespace tarn
