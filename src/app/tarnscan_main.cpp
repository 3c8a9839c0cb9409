// Console report of every autostart registration the categories find, in tab order: text, CSV or
// JSON, optionally with file hashes and the registrations whose file is gone, or compared with an
// earlier JSON report.
#include "app/console_output.h"
#include "app/enumerators.h"
#include "app/json_report.h"
#include "app/scan_report.h"
#include "fileinfo/file_facts_cache.h"
#include "fileinfo/signature.h"
#include "model/service_walk.h"
#include "model/user_hives.h"
#include "pages/category_table.h"
#include "fileinfo/entry_file_check.h"
#include "win/system_calls.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <lmcons.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tarn;

std::wstring Now() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    wchar_t text[32] = {};
    ::swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
               now.wSecond);
    return text;
}

std::wstring MachineName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

std::wstring UserName() {
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    return ::GetUserNameW(name, &size) && size > 0 ? std::wstring(name, size - 1) : std::wstring();
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    const unique_file file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    std::vector<char> block(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            return bytes;
        }
        bytes.append(block.data(), read);
    }
}

std::wstring Wide(const std::string& utf8) {
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], units);
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Before anything loads a library: from here on only the system folder is searched.
    LoadLibrariesFromTheSystemFolderOnly();
    const auto options = ParseScanOptions(std::vector<std::wstring>(argv + 1, argv + argc));
    if (!options) {
        WriteText(STD_ERROR_HANDLE, kScanUsage);
        return 2;
    }
    if (options->help) {
        WriteText(STD_OUTPUT_HANDLE, kScanUsage);
        return 0;
    }
    // A baseline that cannot be read is refused before the scan.
    std::optional<std::string> baseline;
    if (!options->baseline.empty()) {
        baseline = ReadWholeFile(options->baseline);
        if (!baseline) {
            WriteText(STD_ERROR_HANDLE, L"tarnscan: cannot read the baseline " + options->baseline + L"\r\n");
            return 2;
        }
    }
    if (options->verify) {
        InitSignatureVerifier();
    }

    const FileFactsScope fileFacts;
    const ServiceWalkScope serviceWalk;
    // Each other user's hive is opened once for every category, and closed (unloaded) at the end.
    const UserHivesScope userHives;
    FileFactsCache& cache = fileFacts.object();
    const bool json = options->json || baseline.has_value();
    EnumeratorSet enumerators = CreateEnumerators();
    std::wstring report = options->csv ? CsvHeader(options->hash) : std::wstring();
    std::vector<nlohmann::json> categories;
    std::wstring timings;  // milliseconds each category took to enumerate
    for (std::size_t index = 0; index < enumerators.size(); ++index) {
        CTarnAutoRunBase* enumerator = enumerators[index].get();
        if (enumerator == nullptr) {
            continue;
        }
        enumerator->KeepUnresolved(options->all);
        const ULONGLONG started = ::GetTickCount64();
        enumerator->Enumerate();
        timings += L" " + std::to_wstring(index) + L":" + std::to_wstring(::GetTickCount64() - started);
        const auto& entries = enumerator->results().entries;
        const auto& unreadable = enumerator->results().unreadable;
        if (!options->csv && !json) {
            report += TextCategoryLine(CategoryTable()[index].caption, entries.size());
            for (const std::wstring& place : unreadable) {
                report += TextUnreadableLine(place);
            }
        } else if (options->csv) {
            // A table has no row for what could not be read: it is told beside it.
            for (const std::wstring& place : unreadable) {
                WriteText(STD_ERROR_HANDLE, L"tarnscan: cannot read " + place + L"\r\n");
            }
        }
        std::vector<nlohmann::json> listed;
        for (const auto& entry : entries) {
            const bool exists = CheckEntryFile(*entry, options->verify);
            const std::wstring hash = options->hash && exists ? cache.Sha256(entry->imagePath) : std::wstring();
            if (json) {
                EntryFindings findings;
                if (options->verify && exists) {
                    const SignatureFacts& signature = cache.Signature(entry->imagePath);
                    findings.signatureCode = signature.code;
                    findings.signer = signature.signer;
                }
                findings.sha256 = hash;
                listed.push_back(EntryJson(index, CategoryTable()[index].caption, *entry, findings));
            } else if (options->csv) {
                report += CsvRow(index, CategoryTable()[index].caption, *entry, options->hash ? &hash : nullptr);
            } else {
                report += TextEntryLine(*entry, options->hash ? &hash : nullptr);
            }
        }
        if (json) {
            categories.push_back(CategoryJson(index, CategoryTable()[index].caption, std::move(listed), unreadable));
        }
    }
    int status = 0;
    if (json) {
        const auto document = ReportJson({Now(), MachineName(), UserName()}, categories);
        if (baseline) {
            const BaselineCompare compare = CompareWithBaseline(*baseline, document);
            if (compare.status == 2) {
                WriteText(STD_ERROR_HANDLE, L"tarnscan: baseline refused: " + Wide(compare.error) + L"\r\n");
            }
            for (const auto& line : compare.lines) {
                report += Wide(line) + L"\r\n";
            }
            status = compare.status;
        } else {
            report = Wide(document.dump(1, '\t', false, nlohmann::json::error_handler_t::replace)) + L"\r\n";
        }
    }
    WriteText(STD_OUTPUT_HANDLE, report);
    if (options->stats) {
        WriteText(STD_ERROR_HANDLE,
                  L"stats: reads " + std::to_wstring(cache.factReads()) + L", verifications " +
                      std::to_wstring(cache.verifications()) + L", hashes " + std::to_wstring(cache.hashes()) +
                      L", existence tests " + std::to_wstring(cache.candidateTests()) + L", folder listings " +
                      std::to_wstring(cache.folderListings()) + L"; ms per category" + timings + L"\r\n");
    }

    if (options->verify) {
        ReleaseSignatureVerifier();
    }
    return status;
}
