// Measures the console scan against an independent floor on synthetic machines seeded into the
// prefix it runs in: Run values and services whose command texts are each their own, in the forms
// registrations take, over a set of files that includes signed ones. For each machine on the
// command line (Run values and services; default 20000 0, 0 5000 and 0 20000) it runs the scan and
// the floor three times each, with and without verification, checks that both list the same rows,
// and prints the cost of the entries (time less the empty machine's) of both and their ratio. The
// seeded registrations are removed afterwards. "--users N" adds a machine of N other users, their
// hives loaded below HKEY_USERS, with ten Run values each.
// usage: tarnbench_scan [runValues services]... [--users N]
#include "app/scan_report.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kServices[] = L"System\\CurrentControlSet\\Services";
constexpr int kRuns = 3;
constexpr int kFiles = 20;
constexpr int kUserRunValues = 10;

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
    const HANDLE out =
        ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    const HANDLE err =
        ::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
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
    if (::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                         &started)) {
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
        const std::string& location = f[10];
        // "HKU\\<SID>" and the key below it.
        const std::string belowRoot = hkcuRun.substr(4);
        const bool userRun = location.rfind("HKU\\", 0) == 0 && location.size() > belowRoot.size() + 4 &&
                             location.compare(location.size() - belowRoot.size(), std::string::npos, belowRoot) == 0;
        const bool runKey = f[0] == "0" && (location == hklmRun || location == hkcuRun || userRun);
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
        std::transform(path.begin(), path.end(), path.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
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

// A synthetic machine: Run values and services, each with a command text of its own in one of
// the forms registrations take.
struct Machine {
    std::wstring scratch;
    int runValues = 0;
    int services = 0;
    int users = 0;

    static std::wstring Copy(const std::wstring& from, const std::wstring& to) {
        ::CopyFileW(from.c_str(), to.c_str(), FALSE);
        return to;
    }

    // Quoted with blanks, unquoted with arguments, rundll32, an environment variable, a file that
    // does not exist, and a bare name found in the Windows folder.
    std::wstring Command(int k,
                         const std::vector<std::wstring>& quoted,
                         const std::vector<std::wstring>& plain,
                         const std::vector<std::wstring>& libraries) const {
        const std::size_t file = static_cast<std::size_t>(k) % quoted.size();
        const std::wstring n = std::to_wstring(k);
        switch (k % 6) {
            case 0:
                return L"\"" + quoted[file] + L"\" /tray " + n;
            case 1:
                return plain[file] + L" /background " + n;
            case 2:
                return L"rundll32.exe " + libraries[file] + L",Entry " + n;
            case 3:
                return L"%SystemRoot%\\system32\\notepad.exe /n " + n;
            case 4:
                return scratch + L"\\missing " + n + L".exe /x";
            default:
                return L"notepad.exe /k " + n;
        }
    }

    static std::wstring UserSid(int user) { return L"S-1-5-21-9001-9002-9003-" + std::to_wstring(2000 + user); }

    void SetText(HKEY key, const std::wstring& name, const std::wstring& data) {
        ::RegSetValueExW(key, name.c_str(), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }

    void Seed(int runCount, int serviceCount, const std::wstring& build, int userCount = 0) {
        runValues = runCount;
        services = serviceCount;
        users = userCount;
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        scratch = std::wstring(temp) + L"tarnbench-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(scratch.c_str(), nullptr);
        ::CreateDirectoryW((scratch + L"\\Tarn Bench").c_str(), nullptr);
        std::vector<std::wstring> quoted, plain, libraries;
        const wchar_t* signedFixtures[] = {L"signed_quoted.exe", L"signed_cn_first.exe", L"signed_no_cn.exe",
                                           L"unsigned.exe"};
        for (int k = 0; k < kFiles; ++k) {
            const std::wstring source =
                k < 4 ? build + L"\\tests\\fixtures\\signed\\" + signedFixtures[k] : build + L"\\tarnfloor.exe";
            const std::wstring n = std::to_wstring(k);
            quoted.push_back(Copy(source, scratch + L"\\Tarn Bench\\app " + n + L".exe"));
            plain.push_back(Copy(source, scratch + L"\\plain" + n + L".exe"));
            libraries.push_back(Copy(source, scratch + L"\\lib" + n + L".dll"));
        }
        HKEY run = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &run, nullptr);
        for (int k = 0; k < runValues; ++k) {
            SetText(run, L"TarnBench " + std::to_wstring(k), Command(k, quoted, plain, libraries));
        }
        ::RegCloseKey(run);
        for (int u = 0; u < users; ++u) {
            HKEY userRun = nullptr;
            ::RegCreateKeyExW(HKEY_USERS, (UserSid(u) + L"\\" + kRun).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &userRun, nullptr);
            for (int k = 0; k < kUserRunValues; ++k) {
                SetText(userRun, L"TarnBench " + std::to_wstring(k),
                        Command(u * kUserRunValues + k, quoted, plain, libraries));
            }
            ::RegCloseKey(userRun);
        }
        for (int k = 0; k < services; ++k) {
            const std::wstring path = std::wstring(kServices) + L"\\TarnBenchSvc" + std::to_wstring(k);
            HKEY key = nullptr;
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            const std::wstring image = Command(k, quoted, plain, libraries);
            const std::wstring account = L"LocalSystem";
            const DWORD start = 2;
            ::RegSetValueExW(key, L"ImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(image.c_str()),
                             static_cast<DWORD>((image.size() + 1) * sizeof(wchar_t)));
            ::RegSetValueExW(key, L"ObjectName", 0, REG_SZ, reinterpret_cast<const BYTE*>(account.c_str()),
                             static_cast<DWORD>((account.size() + 1) * sizeof(wchar_t)));
            ::RegSetValueExW(key, L"Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&start), sizeof start);
            if (k % 7 == 0) {
                HKEY parameters = nullptr;
                ::RegCreateKeyExW(key, L"Parameters", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &parameters, nullptr);
                const std::wstring& dll = libraries[static_cast<std::size_t>(k % kFiles)];
                ::RegSetValueExW(parameters, L"ServiceDll", 0, REG_EXPAND_SZ,
                                 reinterpret_cast<const BYTE*>(dll.c_str()),
                                 static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
                ::RegCloseKey(parameters);
            }
            ::RegCloseKey(key);
        }
    }

    void Remove() {
        HKEY run = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            for (int k = 0; k < runValues; ++k) {
                ::RegDeleteValueW(run, (L"TarnBench " + std::to_wstring(k)).c_str());
            }
            ::RegCloseKey(run);
        }
        for (int u = 0; u < users; ++u) {
            ::RegDeleteTreeW(HKEY_USERS, UserSid(u).c_str());
            ::RegDeleteKeyW(HKEY_USERS, UserSid(u).c_str());
        }
        for (int k = 0; k < services; ++k) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                             (std::wstring(kServices) + L"\\TarnBenchSvc" + std::to_wstring(k)).c_str());
        }
        for (const std::wstring& folder : {scratch + L"\\Tarn Bench", scratch}) {
            WIN32_FIND_DATAW found = {};
            const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
                } while (::FindNextFileW(find, &found));
                ::FindClose(find);
            }
            ::RemoveDirectoryW(folder.c_str());
        }
    }
};

struct Spread {
    double median, min, max;
};

Spread SpreadOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

// Medians of the scan's and the floor's runs on the machine as it is now, and their last runs.
struct Measured {
    Spread scan, floor;
    Run lastScan, lastFloor;
};

Measured MeasureBoth(const std::wstring& build, const std::wstring& scratch, bool verify) {
    const std::wstring scanArguments = verify ? L"--csv --stats" : L"--csv --no-verify --stats";
    const std::wstring floorArguments = verify ? L"" : L"--no-verify";
    std::vector<double> scanTimes;
    std::vector<double> floorTimes;
    Measured measured;
    for (int k = 0; k < kRuns; ++k) {
        measured.lastScan = Start(build + L"\\tarnscan.exe", scanArguments, scratch);
        scanTimes.push_back(measured.lastScan.seconds);
        measured.lastFloor = Start(build + L"\\tarnfloor.exe", floorArguments, scratch);
        floorTimes.push_back(measured.lastFloor.seconds);
    }
    measured.scan = SpreadOf(scanTimes);
    measured.floor = SpreadOf(floorTimes);
    return measured;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Machines as "runValues services" pairs, and one of other users.
    std::vector<std::tuple<int, int, int>> machines;
    for (int k = 1; k + 1 < argc; k += 2) {
        const int first = static_cast<int>(std::wcstol(argv[k + 1], nullptr, 10));
        if (std::wstring(argv[k]) == L"--users") {
            machines.emplace_back(0, 0, first);
        } else {
            machines.emplace_back(static_cast<int>(std::wcstol(argv[k], nullptr, 10)), first, 0);
        }
    }
    if (machines.empty()) {
        machines = {{20000, 0, 0}, {0, 5000, 0}, {0, 20000, 0}};
    }
    const std::wstring build = Folder();
    int status = 0;
    for (const bool verify : {true, false}) {
        Machine empty;
        empty.Seed(0, 0, build);
        const Measured base = MeasureBoth(build, empty.scratch, verify);
        empty.Remove();
        std::printf("bench: empty machine, %s: scan %.2f s, floor %.2f s\n", verify ? "verifying" : "not verifying",
                    base.scan.median, base.floor.median);
        for (const auto& [runValues, services, users] : machines) {
            Machine machine;
            machine.Seed(runValues, services, build, users);
            const Measured m = MeasureBoth(build, machine.scratch, verify);
            machine.Remove();
            const auto scanRows = ScanRows(m.lastScan.out);
            const auto floorRows = FloorRows(m.lastFloor.out);
            const bool same = scanRows == floorRows;
            const long files = Figure(m.lastFloor.err, "reads");
            const auto [scanFiles, scanExisting] = ScanFiles(m.lastScan.out);
            const long reads = Figure(m.lastScan.err, "reads");
            const long verifications = Figure(m.lastScan.err, "verifications");
            if (files <= 0 || reads < 0) {
                std::printf("bench: a run printed no figures: scan said \"%s\", floor said \"%s\"\n",
                            m.lastScan.err.c_str(), m.lastFloor.err.c_str());
                status = 1;
            }
            const double scanCost = m.scan.median - base.scan.median;
            const double floorCost = m.floor.median - base.floor.median;
            std::printf(
                "bench: %d Run values, %d services, %d other users, %s: scan %.2f s (%.2f-%.2f), floor %.2f s "
                "(%.2f-%.2f); "
                "cost of the entries: scan %.2f s, floor %.2f s, ratio %.2f; reads per file shown %.2f, "
                "verifications per existing file %.2f; rows %s (%zu)\n",
                runValues, services, users, verify ? "verifying" : "not verifying", m.scan.median, m.scan.min,
                m.scan.max, m.floor.median, m.floor.min, m.floor.max, scanCost, floorCost,
                floorCost > 0 ? scanCost / floorCost : 0.0,
                scanFiles > 0 ? static_cast<double>(reads) / static_cast<double>(scanFiles) : 0.0,
                verify && scanExisting > 0 ? static_cast<double>(verifications) / static_cast<double>(scanExisting)
                                           : static_cast<double>(verifications),
                same ? "identical" : "DIFFER", scanRows.size());
            std::printf("  scan %s  %s", m.lastScan.err.c_str(), m.lastFloor.err.c_str());
            std::fflush(stdout);
            if (!same) {
                status = 1;
                std::vector<std::string> onlyScan, onlyFloor;
                std::set_difference(scanRows.begin(), scanRows.end(), floorRows.begin(), floorRows.end(),
                                    std::back_inserter(onlyScan));
                std::set_difference(floorRows.begin(), floorRows.end(), scanRows.begin(), scanRows.end(),
                                    std::back_inserter(onlyFloor));
                for (std::size_t k = 0; k < std::min<std::size_t>(4, onlyScan.size()); ++k) {
                    std::printf("  only the scan: %s\n", onlyScan[k].c_str());
                }
                for (std::size_t k = 0; k < std::min<std::size_t>(4, onlyFloor.size()); ++k) {
                    std::printf("  only the floor: %s\n", onlyFloor[k].c_str());
                }
            }
        }
    }
    return status;
}
