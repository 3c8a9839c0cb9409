// The session manager's programs and the LSA's packages: each string of their lists is an entry
// with the file Windows loads for it, and moves to the store and back without a byte changed.
#include "fileinfo/machine_files.h"
#include "model/boot_execute.h"
#include "model/security_providers.h"
#include "state/state_changes.h"

#include "support/category_fixture.h"
#include "support/registry_dump.h"
#include "support/state_fixture.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace std::string_literals;
using test::CategoryTest;

const std::wstring kControl = L"System\\CurrentControlSet\\Control\\";
const std::wstring kSessionManager = kControl + L"Session Manager";
const std::wstring kLsa = kControl + L"Lsa";

std::vector<BYTE> Utf16Bytes(const std::wstring& units) {
    const auto* bytes = reinterpret_cast<const BYTE*>(units.data());
    return {bytes, bytes + units.size() * sizeof(wchar_t)};
}

void WriteMulti(const std::wstring& path, const std::wstring& name, const std::wstring& units) {
    test::WriteValue(HKEY_LOCAL_MACHINE, path, name, REG_MULTI_SZ, units.data(),
                     static_cast<DWORD>(units.size() * sizeof(wchar_t)));
}

class BootSecurityTest : public CategoryTest {
protected:
    std::wstring System32(const std::wstring& name) { return File(L"WINDOWS\\System32\\" + name); }

    // "image | command line | location | technique" of every entry, after a fresh scan.
    std::vector<std::wstring> Scan(CTarnAutoRunBase& category) {
        category.ClearResults();
        category.Enumerate();
        std::vector<std::wstring> rows;
        for (const auto& e : category.results().entries) {
            rows.push_back(LowerAscii(e->imagePath) + L" | " + e->commandLine + L" | " + e->location + L" | " +
                           e->technique + L" | " + std::to_wstring(e->state));
        }
        return rows;
    }

    // Switches the entry of `item` off and on: the registry is byte for byte as it was; then it is
    // deleted and listed no more.
    void ExpectRoundTrip(CTarnAutoRunBase& category, const std::wstring& item) {
        const test::RegistryDump before = test::DumpRegistry();
        for (const int32_t state : {EntryEnabled, EntryDisabled}) {
            category.ClearResults();
            category.Enumerate();
            const AutoRunEntry* entry = Find(category, item, state);
            ASSERT_NE(nullptr, entry) << test::Printable(item);
            ASSERT_EQ(1, state == EntryEnabled
                             ? changes.DisableListItem(entry->location, entry->valueName, item, KindListItem)
                             : changes.EnableListItem(entry->location, entry->valueName, item, KindListItem));
        }
        const test::RegistryDump after = test::DumpRegistry();
        EXPECT_EQ(before, after) << test::DescribeDifference(before, after);
        category.ClearResults();
        category.Enumerate();
        const AutoRunEntry* entry = Find(category, item, EntryEnabled);
        ASSERT_NE(nullptr, entry);
        ASSERT_EQ(1, changes.DeleteListItem(entry->keyPath, entry->valueName, item, KindListItem, EntryEnabled));
        category.ClearResults();
        category.Enumerate();
        EXPECT_EQ(nullptr, Find(category, item, EntryEnabled));
    }

    static const AutoRunEntry* Find(const CTarnAutoRunBase& category, const std::wstring& item, int32_t state) {
        for (const auto& e : category.results().entries) {
            if (e->commandLine == item && e->state == state) {
                return e.get();
            }
        }
        return nullptr;
    }

    CAutoRunStateChanges changes;
};

TEST_F(BootSecurityTest, SessionManagerProgramsAreListedStringByString) {
    const std::wstring autochk = System32(L"autochk.exe");
    const std::wstring native = System32(L"nativeboot.exe");
    const std::wstring setup = System32(L"setuphook.com");
    const std::wstring verifier = File(L"verify\\bootok.exe");
    // The string after the empty one is never run: not listed, but kept through every move.
    WriteMulti(kSessionManager, L"BootExecute", L"autocheck autochk *\0nativeboot -x\0\0ghost\0\0"s);
    WriteMulti(kSessionManager, L"SetupExecute", L"setuphook.com\0"s);  // one NUL only
    test::WriteString(HKEY_LOCAL_MACHINE, kControl + L"BootVerificationProgram", L"ImagePath", verifier);
    CTarnAutoRunBootExecute boot{MachineFiles()};
    boot.UseTechnique(L"T1547.001");
    const std::wstring at = L"HKLM\\" + kSessionManager;
    EXPECT_EQ((std::vector<std::wstring>{
                  LowerAscii(autochk) + L" | autocheck autochk * | " + at + L"\\BootExecute | T1547.001 | 16",
                  LowerAscii(native) + L" | nativeboot -x | " + at + L"\\BootExecute | T1547.001 | 16",
                  LowerAscii(setup) + L" | setuphook.com | " + at + L"\\SetupExecute | T1547.001 | 16",
                  LowerAscii(verifier) + L" | " + verifier + L" | HKLM\\" + kControl +
                      L"BootVerificationProgram | T1547.001 | 16",
              }),
              Scan(boot));
    // Switched back on, a program runs in its place again: Windows' own check first.
    const test::RegistryDump before = test::DumpRegistry();
    for (const bool enable : {false, true}) {
        ASSERT_EQ(1, enable ? changes.EnableListItem(at + L"\\BootExecute", L"BootExecute", L"autocheck autochk *",
                                                     KindListItem)
                            : changes.DisableListItem(at + L"\\BootExecute", L"BootExecute", L"autocheck autochk *",
                                                      KindListItem));
    }
    EXPECT_EQ(before, test::DumpRegistry());
    ExpectRoundTrip(boot, L"nativeboot -x");
    // What stays of the list: Windows' own string and, after the empty one, the string never run.
    EXPECT_EQ((test::RawValue{REG_MULTI_SZ, Utf16Bytes(L"autocheck autochk *\0\0ghost\0\0"s)}),
              test::ReadRaw(HKEY_LOCAL_MACHINE, kSessionManager, L"BootExecute"));
    ExpectRoundTrip(boot, L"setuphook.com");
}

TEST_F(BootSecurityTest, LsaPackagesAndProvidersAreDllsInSystem32) {
    const std::wstring kerberos = System32(L"kerberos.dll");
    const std::wstring filter = System32(L"pwfilter.dll");
    const std::wstring os = System32(L"osconfig.dll");
    const std::wstring credssp = System32(L"credssp.dll");
    const std::wstring spaced = File(L"my ssp\\evil ssp.dll");
    WriteMulti(kLsa, L"Security Packages", L"kerberos\0\"\"\0\0"s);  // `""` is Windows' "none"
    WriteMulti(kLsa, L"Notification Packages", L"pwfilter\0"s);
    WriteMulti(kLsa + L"\\OSConfig", L"Security Packages", L"osconfig.dll\0\0"s);
    // Read with the blanks around names; written back as the list is rebuilt, a comma after each.
    test::WriteString(HKEY_LOCAL_MACHINE, kControl + L"SecurityProviders", L"SecurityProviders",
                      L"credssp.dll , " + spaced.substr(0, spaced.size() - 4));
    CTarnAutoRunSecurityProviders lsa{MachineFiles()};
    const std::wstring at = L"HKLM\\" + kLsa;
    EXPECT_EQ((std::vector<std::wstring>{
                  LowerAscii(filter) + L" | pwfilter | " + at + L"\\Notification Packages | T1556.002 | 16",
                  LowerAscii(kerberos) + L" | kerberos | " + at + L"\\Security Packages | T1547.005 | 16",
                  LowerAscii(os) + L" | osconfig.dll | " + at + L"\\OSConfig\\Security Packages | T1547.005 | 16",
                  LowerAscii(credssp) + L" | credssp.dll | HKLM\\" + kControl +
                      L"SecurityProviders\\SecurityProviders | T1547.005 | 16",
                  LowerAscii(spaced) + L" | " + spaced.substr(0, spaced.size() - 4) + L" | HKLM\\" + kControl +
                      L"SecurityProviders\\SecurityProviders | T1547.005 | 16",
              }),
              Scan(lsa));
    ExpectRoundTrip(lsa, L"pwfilter");
    const std::wstring provider = spaced.substr(0, spaced.size() - 4);
    ASSERT_EQ(1, changes.DisableListItem(L"HKLM\\" + kControl + L"SecurityProviders\\SecurityProviders",
                                         L"SecurityProviders", provider, KindListItem));
    ASSERT_EQ(1, changes.EnableListItem(L"HKLM\\" + kControl + L"SecurityProviders\\SecurityProviders",
                                        L"SecurityProviders", provider, KindListItem));
    EXPECT_EQ(L"credssp.dll," + provider + L",",
              test::ReadText(HKEY_LOCAL_MACHINE, kControl + L"SecurityProviders", L"SecurityProviders"));
    ExpectRoundTrip(lsa, provider);
}

}  // namespace
}  // namespace tarn
