// tarnscan.exe run as its own process against the prefix's real registry, seeded for the test.
#include "base/categories.h"
#include "pages/category_table.h"

#include "support/class_registration.h"
#include "support/csv.h"
#include "support/process_runner.h"
#include "support/registry_seed.h"
#include "support/scratch_folder.h"
#include "support/shell_fixture.h"
#include "support/task_fixture.h"
#include "support/test_paths.h"
#include "support/wine_overrides.h"
#include "support/registry_paths.h"

#include <windows.h>
#include <shlobj.h>

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include "win/native_registry.h"

#include <map>
#include <cstdio>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::kMachineClasses;
using test::ParseCsv;
using test::RegisterComClass;
using test::RegistrySeed;
using test::RunProgram;
using test::ScratchFolder;
using test::WideFromUtf8;

const std::wstring kNameSpaces =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries";

// Column positions of the CSV report.
enum Column {
    kCategory,
    kCaption,
    kName,
    kSignature,
    kImagePath = 5,
    kLocation = 10,
    kKeyPath,
    kValueName,
    kSubKeyName,
    kState = 15,
    kEntryKind = 17,
    kFlags = 20,
    kView = 21,
    kTechnique = 27,
    kColumnCount = 30
};

// A Run value whose name holds a NUL, written through the native API into the prefix's own
// registry and removed again.
class NulNamedRunValue {
public:
    NulNamedRunValue(const std::wstring& name, const std::wstring& data) : name_(name) {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRun.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr) == ERROR_SUCCESS) {
            EXPECT_EQ(ERROR_SUCCESS, NativeSetValue(key_, name.data(), static_cast<DWORD>(name.size()), REG_SZ,
                                                    reinterpret_cast<const BYTE*>(data.c_str()),
                                                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
        }
    }
    ~NulNamedRunValue() {
        if (key_ != nullptr) {
            NativeDeleteValue(key_, name_.data(), static_cast<DWORD>(name_.size()));
            ::RegCloseKey(key_);
        }
    }
    NulNamedRunValue(const NulNamedRunValue&) = delete;
    NulNamedRunValue& operator=(const NulNamedRunValue&) = delete;

private:
    std::wstring name_;
    HKEY key_ = nullptr;
};

std::wstring Tarnscan() {
    return L"\"" + test::TestProgramFolder() + L"\\..\\tarnscan.exe\"";
}

class TarnscanTest : public ::testing::Test {
protected:
    // Rows whose name column equals `name`.
    static std::vector<std::vector<std::wstring>> RowsNamed(const std::vector<std::vector<std::wstring>>& rows,
                                                            const std::wstring& name) {
        std::vector<std::vector<std::wstring>> found;
        for (const auto& row : rows) {
            if (row.size() > kName && row[kName] == name) {
                found.push_back(row);
            }
        }
        return found;
    }

    ScratchFolder scratch;
    std::wstring tag = std::to_wstring(::GetCurrentProcessId());

    // A class of this run, registered where HKEY_CLASSES_ROOT finds it.
    std::wstring RegisterClass(RegistrySeed& seed,
                               wchar_t variant,
                               const std::wstring& name,
                               const std::wstring& dll) const {
        std::wstring digits = std::wstring(12, L'0') + tag;
        const std::wstring clsid =
            std::wstring(L"{7A11E2E") + variant + L"-0000-0000-0000-" + digits.substr(digits.size() - 12) + L"}";
        RegisterComClass(seed.Writer(HKEY_LOCAL_MACHINE), kMachineClasses, clsid, name, dll);
        return clsid;
    }
};

TEST_F(TarnscanTest, CsvListsSeededRegistrationsOfEveryCategoryInTabOrder) {
    // Seeded: every category that has an enumerator, in the prefix's own registry.
    const std::wstring app = scratch.AddFile(L"app.exe");
    const std::wstring dll1 = scratch.AddFile(L"first.dll");
    const std::wstring dll2 = scratch.AddFile(L"second.dll");
    scratch.AddFile(L"known.dll");
    RegistrySeed seed;
    const std::wstring runName = L"TarnE2E Run " + tag;
    const std::wstring storedName = L"TarnE2E Stored " + tag;
    const std::wstring userName = L"TarnE2E User " + tag;
    const std::wstring service = L"TarnE2ESvc" + tag;
    const std::wstring driver = L"TarnE2EDrv" + tag;
    const std::wstring hijacked = L"tarn-e2e-" + tag + L".exe";
    seed.SetString(HKEY_LOCAL_MACHINE, kRun, runName, L"\"" + app + L"\" /tray");
    seed.SetString(HKEY_LOCAL_MACHINE, kRun + L"\\TarnAutoRunDisable", storedName, app);
    seed.SetString(HKEY_CURRENT_USER, kRun, userName, app);
    seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + service, L"ObjectName", L"LocalSystem");
    seed.SetDword(HKEY_LOCAL_MACHINE, kServices + L"\\" + service, L"Start", 2);
    seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + service, L"ImagePath", app);
    seed.SetDword(HKEY_LOCAL_MACHINE, kServices + L"\\" + driver, L"Start", 1);
    seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + driver, L"ImagePath", app);
    seed.SetString(HKEY_LOCAL_MACHINE, kOptions + L"\\" + hijacked, L"Debugger", app);
    seed.SetString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", dll1 + L"," + dll2);
    seed.SetString(HKEY_LOCAL_MACHINE, kKnownDlls, L"DllDirectory", scratch.path());
    seed.SetString(HKEY_LOCAL_MACHINE, kKnownDlls, L"tarnknown" + tag, L"known.dll");
    const std::wstring delayName = L"TarnE2E Delay " + tag;
    seed.SetString(HKEY_LOCAL_MACHINE, kDelayLoad, delayName, RegisterClass(seed, L'1', L"delay class", dll1));
    const std::wstring helperName = L"TarnE2E Helper " + tag;
    const std::wstring helper = RegisterClass(seed, L'2', helperName, dll2);
    seed.SetString(HKEY_LOCAL_MACHINE, kHelpers + L"\\" + helper, L"NoExplorer", L"1");
    const std::wstring package = L"TarnE2ENotify" + tag;
    seed.SetString(HKEY_LOCAL_MACHINE, kNotify + L"\\" + package, L"DllName", dll1);
    const std::wstring nameSpace = L"TarnE2E NSP " + tag;
    seed.SetString(HKEY_LOCAL_MACHINE, kNameSpaces + L"\\TarnE2E" + tag, L"DisplayString", nameSpace);
    seed.SetString(HKEY_LOCAL_MACHINE, kNameSpaces + L"\\TarnE2E" + tag, L"LibraryPath", dll2);
    const std::wstring providerA = L"TarnE2ENetA" + tag;
    const std::wstring providerB = L"TarnE2ENetB" + tag;
    seed.SetString(HKEY_LOCAL_MACHINE, kOrder, L"ProviderOrder", providerA + L"," + providerB);
    seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + providerA + L"\\NetworkProvider", L"ProviderPath", dll1);
    seed.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + providerB + L"\\NetworkProvider", L"ProviderPath", dll2);
    const std::wstring monitor = L"TarnE2E Monitor " + tag;
    seed.SetString(HKEY_LOCAL_MACHINE, kMonitors + L"\\" + monitor, L"Driver", dll1);

    test::ScheduledTasks tasks;
    const std::wstring taskName = L"TarnE2ETask" + tag;
    tasks.Create(taskName, app, 0);
    test::ShellTestFolder desktop(CSIDL_DESKTOPDIRECTORY);
    const std::wstring shortcut = L"TarnE2E Shortcut " + tag + L".lnk";
    test::MakeShortcut(desktop / shortcut, app);

    const NulNamedRunValue hidden(L"TarnE2E Hidden " + tag + std::wstring(1, L'\0') + L"x", app);

    const auto run = RunProgram(Tarnscan() + L" --csv", scratch.path());
    ASSERT_TRUE(run.started);
    ASSERT_EQ(0u, run.exitCode) << run.err;
    const auto rows = ParseCsv(WideFromUtf8(run.out));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(L"category", rows[0][0]);
    int previous = -1;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(static_cast<std::size_t>(kColumnCount), rows[i].size()) << "row " << i;
        const int category = std::stoi(rows[i][kCategory]);
        EXPECT_GE(category, previous) << "rows out of tab order";
        previous = category;
        EXPECT_EQ(CategoryTable()[category].caption, rows[i][kCaption]);
        EXPECT_TRUE(rows[i][kView] == L"32" || rows[i][kView] == L"64") << "row " << i;
        // Every record names its place's ATT&CK technique.
        EXPECT_EQ(L'T', rows[i][kTechnique].empty() ? L'\0' : rows[i][kTechnique][0]) << "row " << i;
    }

    struct Seeded {
        std::wstring name;
        std::wstring category;
        std::wstring state;
        std::wstring location;
    };
    const Seeded seeded[] = {
        {runName, L"0", L"16", L"HKLM\\" + kRun},           {taskName + L".job", L"3", L"16", L"C:\\windows\\Tasks"},
        {shortcut, L"13", L"16", desktop.path()},           {delayName, L"1", L"16", L"HKLM\\" + kDelayLoad},
        {helperName, L"2", L"16", L"HKLM\\" + kHelpers},    {package, L"9", L"16", L"HKLM\\" + kNotify},
        {nameSpace, L"10", L"16", L"HKLM\\" + kNameSpaces}, {providerA, L"11", L"16", L"HKLM\\" + kOrder},
        {providerB, L"11", L"16", L"HKLM\\" + kOrder},      {monitor, L"12", L"16", L"HKLM\\" + kMonitors},
        {storedName, L"0", L"17", L"HKLM\\" + kRun},        {userName, L"0", L"16", L"HKCU\\" + kRun},
        {service, L"4", L"16", L"HKLM\\" + kServices},      {driver, L"5", L"16", L"HKLM\\" + kServices},
        {hijacked, L"6", L"16", L"HKLM\\" + kOptions},      {L"tarnknown" + tag, L"8", L"16", L"HKLM\\" + kKnownDlls},
    };
    for (const Seeded& s : seeded) {
        const auto found = RowsNamed(rows, s.name);
        ASSERT_EQ(1u, found.size()) << "missing: " << s.category.c_str();
        EXPECT_EQ(s.category, found[0][kCategory]);
        EXPECT_EQ(s.state, found[0][kState]);
        EXPECT_EQ(s.location, found[0][kLocation]);
        EXPECT_EQ(L"无签名", found[0][kSignature]);  // the scratch files carry no signature
    }
    EXPECT_EQ(LowerAscii(app), RowsNamed(rows, runName)[0][kImagePath]);
    EXPECT_EQ(L"", RowsNamed(rows, runName)[0][kFlags]);
    // The name that hides behind a NUL is shown whole, visibly, and flagged.
    const auto hiddenRows = RowsNamed(rows, L"TarnE2E Hidden " + tag + L"\\0x");
    ASSERT_EQ(1u, hiddenRows.size());
    EXPECT_EQ(L"nul-in-name", hiddenRows[0][kFlags]);
    EXPECT_EQ(L"HKCU\\" + kRun, hiddenRows[0][kLocation]);
    EXPECT_EQ(hijacked, RowsNamed(rows, hijacked)[0][kSubKeyName]);

    std::vector<std::wstring> appInitPaths;
    for (const auto& row : RowsNamed(rows, L"AppInit_DLLs")) {
        EXPECT_EQ(L"7", row[kCategory]);
        EXPECT_EQ(L"23", row[kEntryKind]);
        EXPECT_EQ(L"HKLM\\" + kWindows + L"\\AppInit_DLLs", row[kLocation]);
        appInitPaths.push_back(row[kImagePath]);
    }
    EXPECT_EQ((std::vector<std::wstring>{LowerAscii(dll1), LowerAscii(dll2)}), appInitPaths);
}

TEST_F(TarnscanTest, PlainReportWithoutVerification) {
    const std::wstring app = scratch.AddFile(L"plain.exe");
    RegistrySeed seed;
    const std::wstring name = L"TarnE2E Plain " + tag;
    seed.SetString(HKEY_CURRENT_USER, kRun, name, app);

    const auto run = RunProgram(Tarnscan() + L" --no-verify", scratch.path());
    ASSERT_EQ(0u, run.exitCode);
    const std::wstring report = WideFromUtf8(run.out);
    EXPECT_EQ(0u, report.find(L"== 登录启动 ("));
    EXPECT_NE(std::wstring::npos, report.find(L"== 系统服务 ("));
    EXPECT_NE(std::wstring::npos, report.find(L"已启用\t\t" + name + L"\t" + LowerAscii(app) + L"\t\tHKCU\\" + kRun +
                                              L"\t技术=T1547.001\r\n"));
}

TEST_F(TarnscanTest, ATaskSaysWhatStartsItAndAnUnreadableOneIsReportedInEveryFormat) {
    const std::wstring app = scratch.AddFile(L"task.exe");
    const std::wstring top = L"\\TarnScan" + tag;
    const test::TaskDefinitionFiles files(top);
    const std::wstring task =
        files.Add(L"\\Vendor\\Job", test::TaskXml(L"Tarn", L"每日", L"<BootTrigger/>", true, true,
                                                  L"<Exec><Command>" + app + L"</Command></Exec>"));
    const std::wstring broken = files.Add(L"\\Broken", L"<Task>");

    const auto text = RunProgram(Tarnscan() + L" --no-verify", scratch.path());
    ASSERT_EQ(0u, text.exitCode);
    const std::wstring report = WideFromUtf8(text.out);
    EXPECT_NE(std::wstring::npos, report.find(L"\t" + task + L"\t" + LowerAscii(app) + L"\t\t" + top +
                                              L"\\Vendor\t作者=Tarn\t描述=每日\t触发器=启动时\t技术=T1053.005\r\n"));
    EXPECT_NE(std::wstring::npos, report.find(L"!! 无法读取\t" + broken + L": "));
    const std::size_t tasksLine = report.find(L"== 任务计划 (");
    EXPECT_LT(tasksLine, report.find(L"!! 无法读取\t" + broken));

    const auto csv = RunProgram(Tarnscan() + L" --csv --no-verify", scratch.path());
    ASSERT_EQ(0u, csv.exitCode);
    EXPECT_NE(std::string::npos, WideFromUtf8(csv.err).find(L"tarnscan: cannot read " + broken + L": "));
    const auto rows = RowsNamed(ParseCsv(WideFromUtf8(csv.out)), task);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ((std::vector<std::wstring>{L"Tarn", L"每日", L"启动时", L"", L"", L"T1053.005", L"", L""}),
              std::vector<std::wstring>(rows[0].begin() + kView + 1, rows[0].end()));
    // The JSON report's list of what it could not read.
    const auto json = RunProgram(Tarnscan() + L" --json --no-verify", scratch.path());
    ASSERT_EQ(0u, json.exitCode);
    std::wstring escaped;
    for (const wchar_t c : broken) {
        escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    }
    const std::wstring document = WideFromUtf8(json.out);
    EXPECT_LT(document.find(L"\"unreadable\""), document.find(L"\"" + escaped + L": "));
    EXPECT_NE(std::wstring::npos, document.find(L"\"" + escaped + L": "));
}

TEST_F(TarnscanTest, UnknownOptionPrintsUsageAndExitsWithTwo) {
    const auto run = RunProgram(Tarnscan() + L" --bogus", scratch.path());
    ASSERT_TRUE(run.started);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ(0u, run.err.find("usage: tarnscan"));
    EXPECT_TRUE(run.out.empty());
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// The report started from a folder that also holds DLLs named as system DLLs, with Windows' search
// order forced for them (Wine prefers its own copies otherwise): they never run in it, and it still
// reads versions and signatures.
TEST_F(TarnscanTest, DllsBesideTheProgramNeverRunInIt) {
    const std::wstring folder = scratch.AddFolder(L"Downloads");
    ASSERT_TRUE(::CopyFileW((test::TestProgramFolder() + L"\\..\\tarnscan.exe").c_str(),
                            (folder + L"\\tarnscan.exe").c_str(), FALSE));
    for (const wchar_t* dll : {L"version.dll", L"crypt32.dll"}) {
        ASSERT_TRUE(::CopyFileW(test::FixturePath(std::wstring(L"planted\\") + dll).c_str(),
                                (folder + L"\\" + dll).c_str(), FALSE));
    }
    const std::wstring mark = scratch / L"planted-mark.txt";
    RegistrySeed seed;
    const std::wstring signedName = L"TarnPlanted Signed " + tag;
    const std::wstring versionedName = L"TarnPlanted Versioned " + tag;
    seed.SetString(HKEY_CURRENT_USER, kRun, signedName, test::FixturePath(L"signed\\signed_quoted.exe"));
    seed.SetString(HKEY_CURRENT_USER, kRun, versionedName, test::FixturePath(L"ver_two_translations.exe"));
    ::SetEnvironmentVariableW(L"TARN_PLANT_MARK", mark.c_str());
    // Forced for crypt32 only: Wine's own user32 imports version.dll, so forcing Windows' order for that
    // one would load the planted copy through Wine itself, as Windows (whose user32 is a known DLL and
    // imports no version.dll) never does. The import check keeps the programs from importing either.
    std::printf("version.dll: not forced under Wine (its user32 imports it); checked by the import check\n");
    const test::ScopedWindowsDllSearch windowsOrder(L"tarnscan.exe", {L"crypt32"});
    const auto run = test::RunProgram(L"\"" + folder + L"\\tarnscan.exe\" --csv", scratch.path());
    ::SetEnvironmentVariableW(L"TARN_PLANT_MARK", nullptr);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(mark.c_str())) << "a planted DLL ran in the report";
    const auto rows = ParseCsv(WideFromUtf8(run.out));
    const auto signedRows = RowsNamed(rows, signedName);
    const auto versionedRows = RowsNamed(rows, versionedName);
    ASSERT_EQ(1u, signedRows.size());
    ASSERT_EQ(1u, versionedRows.size());
    EXPECT_EQ(L"签名正常", signedRows[0][kSignature]);
    EXPECT_EQ(L"Tarn Test Company", versionedRows[0][kImagePath + 1]);
}

}  // namespace
}  // namespace tarn
