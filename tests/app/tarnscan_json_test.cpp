// tarnscan.exe's responder options run as their own process against the prefix's registry:
// the JSON document read back with the JSON library, file hashes against the host's sha256sum,
// registrations whose file is gone, and the compare with an earlier report.
#include "app/scan_report.h"
#include "base/categories.h"
#include "win/native_registry.h"

#include "support/process_runner.h"
#include "support/registry_seed.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "support/registry_paths.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using nlohmann::json;
using test::RunProgram;
using test::ScratchFolder;

const std::string kRunLocation = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring Tarnscan(const std::wstring& arguments) {
    return L"\"" + test::TestProgramFolder() + L"\\..\\tarnscan.exe\" " + arguments;
}

std::string Utf8(const std::wstring& text) {
    return Utf8FromWide(text);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The entries of a report with this name and location.
std::vector<json> EntriesNamed(const json& report,
                               const std::string& name,
                               const std::string& location = kRunLocation) {
    std::vector<json> found;
    for (const json& category : report.at("categories")) {
        for (const json& entry : category.at("entries")) {
            if (entry.at("name") == name && entry.at("location") == location) {
                found.push_back(entry);
            }
        }
    }
    return found;
}

// A Run value written through the native API, so that its name may hold anything, removed again.
class RawRunValue {
public:
    RawRunValue(const std::wstring& name, const std::wstring& data) : name_(name) {
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRun.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        EXPECT_EQ(ERROR_SUCCESS, NativeSetValue(key_, name.data(), static_cast<DWORD>(name.size()), REG_SZ,
                                                reinterpret_cast<const BYTE*>(data.c_str()),
                                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
    }
    ~RawRunValue() {
        NativeDeleteValue(key_, name_.data(), static_cast<DWORD>(name_.size()));
        ::RegCloseKey(key_);
    }
    RawRunValue(const RawRunValue&) = delete;
    RawRunValue& operator=(const RawRunValue&) = delete;

private:
    std::wstring name_;
    HKEY key_ = nullptr;
};

class TarnscanJsonTest : public ::testing::Test {
protected:
    json Scan(const std::wstring& arguments, test::ProgramRun* keep = nullptr) {
        const auto run = RunProgram(Tarnscan(arguments), scratch.path());
        EXPECT_TRUE(run.started);
        EXPECT_EQ(0u, run.exitCode) << run.err;
        if (keep != nullptr) {
            *keep = run;
        }
        return json::parse(run.out, nullptr, false);
    }

    ScratchFolder scratch;
    test::RegistrySeed seed;
    std::wstring tag = std::to_wstring(::GetCurrentProcessId());
};

TEST_F(TarnscanJsonTest, SeededEntriesReadBackFieldByFieldWhateverTheirNamesHold) {
    const std::wstring app = scratch.AddFile(L"TarnJson" + tag + L".exe", 3000);
    const std::wstring names[] = {
        L"TarnJson quote \" back \\ " + tag,
        L"TarnJson control \x01\t " + tag,
        L"TarnJson astral \U0001F600 中文 " + tag,
        L"TarnJson nul " + tag + std::wstring(1, L'\0') + L"x",
    };
    std::vector<std::unique_ptr<RawRunValue>> values;
    for (const auto& name : names) {
        values.push_back(std::make_unique<RawRunValue>(name, L"\"" + app + L"\" /tray"));
    }
    const json report = Scan(L"--json");
    ASSERT_FALSE(report.is_discarded()) << "the output is not one JSON document";
    EXPECT_EQ("tarnscan", report.at("tool"));
    EXPECT_FALSE(report.at("time").get<std::string>().empty());
    EXPECT_FALSE(report.at("machine").get<std::string>().empty());
    ASSERT_EQ(kCategoryCount, report.at("categories").size());
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        EXPECT_EQ(k, report.at("categories")[k].at("index").get<std::size_t>());
    }
    for (std::size_t k = 0; k < std::size(names); ++k) {
        SCOPED_TRACE("name " + std::to_string(k));
        const auto found = EntriesNamed(report, Utf8(names[k]));
        ASSERT_EQ(1u, found.size());
        const json& entry = found[0];
        EXPECT_EQ(0, entry.at("category"));
        EXPECT_EQ("\"" + Utf8(app) + "\" /tray", entry.at("commandLine"));
        EXPECT_EQ(Lower(Utf8(app)), entry.at("imagePath"));
        EXPECT_EQ(kRunLocation, entry.at("keyPath"));
        EXPECT_EQ(2, entry.at("sizeKB"));
        EXPECT_EQ("enabled", entry.at("state"));
        EXPECT_EQ(16, entry.at("stateCode"));
        EXPECT_EQ(19, entry.at("entryKind"));
        EXPECT_EQ(28, entry.at("locateKind"));
        EXPECT_NE(0, entry.at("signatureCode"));
        EXPECT_EQ(k == 3, entry.at("flags").at("nulInName").get<bool>());
        EXPECT_TRUE(entry.at("flags").at("unsigned").get<bool>());
        EXPECT_FALSE(entry.at("flags").at("fileMissing").get<bool>());
        EXPECT_FALSE(entry.contains("sha256"));
    }
}

TEST_F(TarnscanJsonTest, HashesMatchTheHostsAndAreTakenOncePerFile) {
    // The host's sha256sum of the signed fixtures, written at build time.
    std::map<std::string, std::string> expected;
    std::ifstream sums(Utf8(test::FixturePath(L"signed\\sha256sums.txt")));
    for (std::string hash, file; sums >> hash >> file;) {
        expected[file] = hash;
    }
    ASSERT_GE(expected.size(), 4u);
    const std::wstring signedFile = test::FixturePath(L"signed\\signed_quoted.exe");
    const std::wstring unsignedFile = test::FixturePath(L"signed\\unsigned.exe");
    for (int k = 0; k < 20; ++k) {
        seed.SetString(HKEY_LOCAL_MACHINE, kRun, L"TarnHash " + tag + L" " + std::to_wstring(k),
                       k % 2 == 0 ? signedFile : unsignedFile);
    }
    test::ProgramRun run;
    const json report = Scan(L"--json --hash --stats", &run);
    ASSERT_FALSE(report.is_discarded());
    std::set<std::string> files;
    for (const json& category : report.at("categories")) {
        for (const json& entry : category.at("entries")) {
            if (entry.contains("sha256")) {
                files.insert(Lower(entry.at("imagePath").get<std::string>()));
            }
        }
    }
    for (int k = 0; k < 20; ++k) {
        const auto found = EntriesNamed(report, Utf8(L"TarnHash " + tag + L" " + std::to_wstring(k)));
        ASSERT_EQ(1u, found.size());
        EXPECT_EQ(expected[k % 2 == 0 ? "signed_quoted.exe" : "unsigned.exe"], found[0].at("sha256")) << k;
        EXPECT_EQ(k % 2 == 0 ? 0 : 1, found[0].at("flags").at("unsigned").get<bool>() ? 1 : 0) << k;
    }
    // One hash per distinct file of the whole scan, however many entries share one.
    const std::size_t at = run.err.find("hashes ");
    ASSERT_NE(std::string::npos, at) << run.err;
    EXPECT_EQ(files.size(), std::stoul(run.err.substr(at + 7))) << run.err;

    // The other formats show it too.
    const auto text = RunProgram(Tarnscan(L"--hash --no-verify"), scratch.path());
    EXPECT_NE(std::string::npos, text.out.find("sha256=" + expected["signed_quoted.exe"]));
    const auto csv = RunProgram(Tarnscan(L"--csv --hash --no-verify"), scratch.path());
    EXPECT_NE(std::string::npos, csv.out.find(",sha256\r\n"));
    EXPECT_NE(std::string::npos, csv.out.find("," + expected["unsigned.exe"] + "\r\n"));
}

TEST_F(TarnscanJsonTest, AllAlsoListsRegistrationsWhoseFileIsGone) {
    const std::wstring gone = L"TarnGone " + tag;
    const std::wstring command = L"\"C:\\TarnNowhere" + tag + L"\\missing.exe\" /run";
    seed.SetString(HKEY_LOCAL_MACHINE, kRun, gone, command);
    const json usual = Scan(L"--json --no-verify");
    EXPECT_TRUE(EntriesNamed(usual, Utf8(gone)).empty());
    const json all = Scan(L"--json --no-verify --all");
    const auto found = EntriesNamed(all, Utf8(gone));
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ("file missing", found[0].at("state"));
    EXPECT_EQ(Utf8(command), found[0].at("commandLine"));
    EXPECT_EQ("", found[0].at("imagePath"));
    EXPECT_TRUE(found[0].at("flags").at("fileMissing").get<bool>());
    const auto text = RunProgram(Tarnscan(L"--all --no-verify"), scratch.path());
    EXPECT_NE(std::string::npos, text.out.find(Utf8(gone) + "\t" + Utf8(command)))
        << "the text report shows the command";
}

TEST_F(TarnscanJsonTest, ABaselineCompareNamesWhatIsNewGoneAndChanged) {
    const std::wstring app = scratch.AddFile(L"TarnBase" + tag + L".exe");
    const std::wstring other = scratch.AddFile(L"TarnBaseOther" + tag + L".exe");
    const std::wstring stays = L"TarnBase Stays " + tag;
    const std::wstring goes = L"TarnBase Goes " + tag;
    const std::wstring changes = L"TarnBase Changes " + tag;
    {
        test::RegistrySeed before;
        before.SetString(HKEY_LOCAL_MACHINE, kRun, goes, app);
        seed.SetString(HKEY_LOCAL_MACHINE, kRun, stays, app);
        seed.SetString(HKEY_LOCAL_MACHINE, kRun, changes, app);
        test::ProgramRun first;
        Scan(L"--json --no-verify", &first);
        std::ofstream(Utf8(scratch / L"before.json"), std::ios::binary) << first.out;
        // Nothing changed yet: nothing to say, status 0.
        const auto same =
            RunProgram(Tarnscan(L"--no-verify --baseline \"" + (scratch / L"before.json") + L"\""), scratch.path());
        EXPECT_EQ(0u, same.exitCode) << same.out << same.err;
        EXPECT_TRUE(same.out.find("new:") == std::string::npos && same.out.find("gone:") == std::string::npos)
            << same.out;
    }
    seed.SetString(HKEY_LOCAL_MACHINE, kRun, changes, other);
    const std::wstring arrives = L"TarnBase Arrives " + tag;
    seed.SetString(HKEY_LOCAL_MACHINE, kRun, arrives, app);
    const auto compare =
        RunProgram(Tarnscan(L"--no-verify --baseline \"" + (scratch / L"before.json") + L"\""), scratch.path());
    EXPECT_EQ(1u, compare.exitCode) << compare.err;
    const std::string key = "0 | " + kRunLocation + " | ";
    EXPECT_NE(std::string::npos, compare.out.find("new: " + key + Utf8(arrives) + " -> " + Utf8(app))) << compare.out;
    EXPECT_NE(std::string::npos, compare.out.find("gone: " + key + Utf8(goes) + " -> " + Utf8(app))) << compare.out;
    EXPECT_NE(std::string::npos,
              compare.out.find("changed: " + key + Utf8(changes) + ": commandLine " + Utf8(app) + " -> " + Utf8(other)))
        << compare.out;
    EXPECT_EQ(std::string::npos, compare.out.find(Utf8(stays))) << compare.out;
}

TEST_F(TarnscanJsonTest, ABaselineCutShortForeignOrMissingIsRefusedWithAMessage) {
    test::ProgramRun first;
    Scan(L"--json --no-verify", &first);
    const struct {
        std::string content;
        const char* why;
    } cases[] = {
        {first.out.substr(0, first.out.size() / 2), "cut short"},
        {R"({"tool":"someone else","categories":[]})", "another program's"},
        {"not json at all", "not JSON"},
    };
    for (const auto& c : cases) {
        std::ofstream(Utf8(scratch / L"baseline.json"), std::ios::binary) << c.content;
        const auto run =
            RunProgram(Tarnscan(L"--no-verify --baseline \"" + (scratch / L"baseline.json") + L"\""), scratch.path());
        EXPECT_EQ(2u, run.exitCode) << c.why;
        EXPECT_NE(std::string::npos, run.err.find("baseline refused")) << c.why << ": " << run.err;
        EXPECT_EQ(std::string::npos, run.out.find("new:")) << c.why;
    }
    const auto missing = RunProgram(Tarnscan(L"--baseline \"" + (scratch / L"none.json") + L"\""), scratch.path());
    EXPECT_EQ(2u, missing.exitCode);
    EXPECT_NE(std::string::npos, missing.err.find("cannot read the baseline"));
}

TEST_F(TarnscanJsonTest, HelpNamesEveryOptionAndAnUnknownOneExitsWithTwo) {
    const auto help = RunProgram(Tarnscan(L"--help"), scratch.path());
    EXPECT_EQ(0u, help.exitCode);
    for (const char* option :
         {"--csv", "--json", "--no-verify", "--hash", "--all", "--stats", "--baseline", "--help"}) {
        EXPECT_NE(std::string::npos, help.out.find(option)) << option;
    }
    const auto unknown = RunProgram(Tarnscan(L"--frobnicate"), scratch.path());
    EXPECT_EQ(2u, unknown.exitCode);
    EXPECT_NE(std::string::npos, unknown.err.find("usage:"));
    EXPECT_EQ(2u, RunProgram(Tarnscan(L"--csv --json"), scratch.path()).exitCode);
}

}  // namespace
}  // namespace tarn
