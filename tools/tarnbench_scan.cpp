// Measures the console scan against its floor on a synthetic machine seeded into the prefix it
// runs in: run values over a set of files that includes signed ones, and services sharing host
// files. For each size on the command line (entries; default 5000 and 20000) it runs the scan and
// the floor three times each, with and without verification, checks that both list the same rows,
// and prints one line per size and mode. The seeded registrations are removed afterwards.
// usage: tarnbench_scan [entries...]
#include "app/scan_report.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kServices[] = L"System\\CurrentControlSet\\Services";
constexpr int kRuns = 3;
constexpr int kFiles = 20;

std::wstring Folder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::string Utf8(const std::wstring& text) {
    return tarn::Utf8FromWide(text);
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(Utf8(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Run {
    double seconds = 0;
    std::string out;
    std::string err;
};

// Runs a program of the build with its output in files; the wall time from start to end.
Run Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& scratch) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    // Files of their own for every run: helper processes a program starts (the task scheduler's)
    // may inherit its output handles and keep them open after it ends.
    static int runs = 0;
    const std::wstring number = std::to_wstring(++runs);
    const std::wstring outPath = scratch + L"\\out" + number + L".txt";
    const std::wstring errPath = scratch + L"\\err" + number + L".txt";
    const HANDLE out = ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    const HANDLE err = ::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION started = {};
    std::wstring command = L"\"" + program + L"\" " + arguments;
    LARGE_INTEGER frequency, begin, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&begin);
    Run run;
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "bench: cannot create the output files of a run\n");
        std::exit(2);
    }
    if (::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
        ::WaitForSingleObject(started.hProcess, INFINITE);
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
    }
    ::QueryPerformanceCounter(&end);
    ::CloseHandle(out);
    ::CloseHandle(err);
    run.seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}

// The fields of the CSV report's records (quoted fields may hold commas and line feeds).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field.push_back(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            records.back().push_back(field);
            field.clear();
            records.emplace_back();
        } else if (c != '\r') {
            field.push_back(c);
        }
    }
    if (!records.back().empty() || !field.empty()) {
        records.back().push_back(field);
    } else {
        records.pop_back();
    }
    return records;
}

// The scan's rows the floor also lists: run-key entries and services.
std::vector<std::string> ScanRows(const std::string& csv) {
    const std::string hklmRun = "HKLM\\" + Utf8(kRun);
    const std::string hkcuRun = "HKCU\\" + Utf8(kRun);
    std::vector<std::string> rows;
    const auto records = ParseCsv(csv);
    for (std::size_t r = 1; r < records.size(); ++r) {
        const auto& f = records[r];
        if (f.size() < 11) {
            continue;
        }
        const bool runKey = f[0] == "0" && (f[10] == hklmRun || f[10] == hkcuRun);
        if (runKey || f[0] == "4") {
            rows.push_back(f[0] + "\t" + f[2] + "\t" + f[5]);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The distinct files the scan shows (any category): all of them, and those that exist.
std::pair<std::size_t, std::size_t> ScanFiles(const std::string& csv) {
    std::vector<std::string> all;
    std::vector<std::string> existing;
    const auto records = ParseCsv(csv);
    for (std::size_t r = 1; r < records.size(); ++r) {
        const auto& f = records[r];
        if (f.size() < 16 || f[5].empty()) {
            continue;
        }
        std::string path = f[5];
        std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        all.push_back(path);
        if (f[15] != "18") {
            existing.push_back(path);
        }
    }
    for (auto* list : {&all, &existing}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    return {all.size(), existing.size()};
}

std::vector<std::string> FloorRows(const std::string& text) {
    std::vector<std::string> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            rows.push_back(line);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// "name N" in a stats line.
long Figure(const std::string& text, const std::string& name) {
    const std::size_t at = text.find(name + " ");
    return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + name.size() + 1, nullptr, 10);
}

struct Machine {
    std::wstring scratch;
    int services = 0;

    void Seed(int entries, const std::wstring& build) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        scratch = std::wstring(temp) + L"tarnbench-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(scratch.c_str(), nullptr);
        std::vector<std::wstring> files;
        const wchar_t* signedFixtures[] = {L"signed_quoted.exe", L"signed_cn_first.exe", L"signed_no_cn.exe",
                                           L"unsigned.exe"};
        for (const wchar_t* name : signedFixtures) {
            files.push_back(scratch + L"\\" + name);
            ::CopyFileW((build + L"\\tests\\fixtures\\signed\\" + name).c_str(), files.back().c_str(), FALSE);
        }
        while (files.size() < kFiles) {
            files.push_back(scratch + L"\\plain" + std::to_wstring(files.size()) + L".exe");
            ::CopyFileW((build + L"\\tarnfloor.exe").c_str(), files.back().c_str(), FALSE);
        }
        const std::wstring hosts[] = {scratch + L"\\hosta.exe", scratch + L"\\hostb.exe"};
        for (const auto& host : hosts) {
            ::CopyFileW((build + L"\\tarnfloor.exe").c_str(), host.c_str(), FALSE);
        }
        services = entries / 10;
        HKEY run = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &run, nullptr);
        for (int k = 0; k < entries - services; ++k) {
            const std::wstring data = L"\"" + files[static_cast<std::size_t>(k % kFiles)] + L"\" /tray";
            ::RegSetValueExW(run, (L"TarnBench " + std::to_wstring(k)).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        }
        ::RegCloseKey(run);
        for (int k = 0; k < services; ++k) {
            const std::wstring path = std::wstring(kServices) + L"\\TarnBenchSvc" + std::to_wstring(k);
            HKEY key = nullptr;
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            const std::wstring image = hosts[k % 2] + L" -k bench";
            const std::wstring account = L"LocalSystem";
            const DWORD start = 2;
            ::RegSetValueExW(key, L"ImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(image.c_str()),
                             static_cast<DWORD>((image.size() + 1) * sizeof(wchar_t)));
            ::RegSetValueExW(key, L"ObjectName", 0, REG_SZ, reinterpret_cast<const BYTE*>(account.c_str()),
                             static_cast<DWORD>((account.size() + 1) * sizeof(wchar_t)));
            ::RegSetValueExW(key, L"Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&start), sizeof start);
            if (k % 2 == 0) {
                HKEY parameters = nullptr;
                ::RegCreateKeyExW(key, L"Parameters", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &parameters, nullptr);
                const std::wstring& dll = files[static_cast<std::size_t>(k % kFiles)];
                ::RegSetValueExW(parameters, L"ServiceDll", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                                 static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
                ::RegCloseKey(parameters);
            }
            ::RegCloseKey(key);
        }
    }

    void Remove(int entries) {
        HKEY run = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            for (int k = 0; k < entries - services; ++k) {
                ::RegDeleteValueW(run, (L"TarnBench " + std::to_wstring(k)).c_str());
            }
            ::RegCloseKey(run);
        }
        for (int k = 0; k < services; ++k) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kServices) + L"\\TarnBenchSvc" + std::to_wstring(k)).c_str());
        }
        WIN32_FIND_DATAW found = {};
        const HANDLE find = ::FindFirstFileW((scratch + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                ::DeleteFileW((scratch + L"\\" + found.cFileName).c_str());
            } while (::FindNextFileW(find, &found));
            ::FindClose(find);
        }
        ::RemoveDirectoryW(scratch.c_str());
    }
};

struct Spread {
    double median, min, max;
};

Spread SpreadOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<int> sizes;
    for (int k = 1; k < argc; ++k) {
        sizes.push_back(static_cast<int>(std::wcstol(argv[k], nullptr, 10)));
    }
    if (sizes.empty()) {
        sizes = {5000, 20000};
    }
    const std::wstring build = Folder();
    int status = 0;
    for (const int entries : sizes) {
        Machine machine;
        machine.Seed(entries, build);
        for (const bool verify : {true, false}) {
            const std::wstring scanArguments = verify ? L"--csv --stats" : L"--csv --no-verify --stats";
            const std::wstring floorArguments = verify ? L"" : L"--no-verify";
            std::vector<double> scanTimes;
            std::vector<double> floorTimes;
            Run scan;
            Run floor;
            for (int k = 0; k < kRuns; ++k) {
                scan = Start(build + L"\\tarnscan.exe", scanArguments, machine.scratch);
                scanTimes.push_back(scan.seconds);
                floor = Start(build + L"\\tarnfloor.exe", floorArguments, machine.scratch);
                floorTimes.push_back(floor.seconds);
            }
            const auto scanRows = ScanRows(scan.out);
            const auto floorRows = FloorRows(floor.out);
            const bool same = scanRows == floorRows;
            const long files = Figure(floor.err, "reads");
            const auto [scanFiles, scanExisting] = ScanFiles(scan.out);
            const long reads = Figure(scan.err, "reads");
            const long verifications = Figure(scan.err, "verifications");
            if (files <= 0 || reads < 0) {
                std::printf("bench: a run printed no figures: scan said \"%s\", floor said \"%s\"\n", scan.err.c_str(),
                            floor.err.c_str());
                status = 1;
            }
            const Spread s = SpreadOf(scanTimes);
            const Spread f = SpreadOf(floorTimes);
            std::printf("bench: %d entries, %ld files (floor), %s: scan %.2f s (%.2f-%.2f), floor %.2f s (%.2f-%.2f), ratio %.2f; "
                        "reads per file shown %.2f, verifications per existing file %.2f; rows %s (%zu)\n",
                        entries, files, verify ? "verifying" : "not verifying", s.median, s.min, s.max, f.median, f.min,
                        f.max, s.median / f.median,
                        scanFiles > 0 ? static_cast<double>(reads) / static_cast<double>(scanFiles) : 0.0,
                        verify && scanExisting > 0 ? static_cast<double>(verifications) / static_cast<double>(scanExisting)
                                                   : static_cast<double>(verifications),
                        same ? "identical" : "DIFFER", scanRows.size());
            std::printf("  scan %s", scan.err.c_str());
            std::fflush(stdout);
            if (!same) {
                status = 1;
            }
        }
        machine.Remove(entries);
    }
    return status;
}
