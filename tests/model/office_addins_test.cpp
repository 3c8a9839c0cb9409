// What Office programs load at their start: each place is listed with the file it loads, and
// switched off, on and deleted without a byte changed.
#include "fileinfo/machine_files.h"
#include "model/office_addins.h"
#include "state/state_changes.h"

#include "support/category_fixture.h"
#include "support/registry_dump.h"

#include "base/key_text.h"
#include "base/registry_view.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace tarn {
namespace {

using test::WriteString;

const std::wstring kOffice = L"Software\\Microsoft\\Office\\";
const std::wstring kClsid = L"{0FF1CE00-1111-2222-3333-444455556666}";

std::string AllOf(const CTarnAutoRunBase& category) {
    std::wstring all;
    for (const std::wstring& line : test::DescribeAll(category)) {
        all += line + L"\n";
    }
    return test::Printable(all);
}

class OfficeAddinsTest : public test::ClassCategoryTest {
protected:
    OfficeAddinsTest() { office.KeepUnresolved(true); }

    const AutoRunEntry* Find(const std::wstring& name) {
        office.ClearResults();
        office.Enumerate();
        for (const auto& e : office.results().entries) {
            if (e->name == name) {
                return e.get();
            }
        }
        return nullptr;
    }

    int32_t Switch(const AutoRunEntry& e, bool enable) {
        switch (e.entryKind) {
            case KindKey:
                return enable ? changes.EnableKeyTree(e.location, e.subKeyName, KindKey)
                              : changes.DisableKeyTree(e.location, e.subKeyName, KindKey);
            case KindStartupFile:
                return enable ? changes.EnableStartupFile(e.keyPath) : changes.DisableStartupFile(e.keyPath);
            default:
                return enable ? changes.EnableValue(e.location, e.valueName, KindValue)
                              : changes.DisableValue(e.location, e.valueName, KindValue);
        }
    }

    // Off and on leave the registry and the file as they were; the entry is listed off in between.
    void ExpectRoundTrip(const std::wstring& name) {
        const test::RegistryDump before = test::DumpRegistry();
        for (const bool enable : {false, true}) {
            const AutoRunEntry* e = Find(name);
            ASSERT_NE(nullptr, e) << test::Printable(name);
            ASSERT_EQ(enable ? EntryDisabled : EntryEnabled, e->state) << test::Printable(name);
            ASSERT_EQ(1, Switch(*e, enable)) << test::Printable(name);
        }
        const test::RegistryDump after = test::DumpRegistry();
        EXPECT_EQ(before, after) << test::DescribeDifference(before, after);
        ASSERT_NE(nullptr, Find(name));
        EXPECT_EQ(EntryEnabled, Find(name)->state);
    }

    test::ScopedEnvironment appData{L"appdata", scratch / L"AppData\\Roaming"};
    CTarnAutoRunOfficeAddins office{MachineFiles()};
    CAutoRunStateChanges changes;
};

TEST_F(OfficeAddinsTest, EveryPlaceIsListedWithTheFileItLoads) {
    const std::wstring perf = File(L"perf\\officetest.dll");
    WriteString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office test\\Special\\Perf", L"", perf);
    // A COM add-in: ProgID → class → server.
    const std::wstring server = RegisterClass(kClsid, L"Connect");
    WriteString(HKEY_CLASSES_ROOT, L"Evil.Connect\\CLSID", L"", kClsid);
    WriteString(HKEY_LOCAL_MACHINE, kOffice + L"Word\\Addins\\Evil.Connect", L"FriendlyName", L"Evil");
    test::WriteDword(HKEY_LOCAL_MACHINE, kOffice + L"Word\\Addins\\Evil.Connect", L"LoadBehavior", 3);
    // A VSTO add-in named by its manifest's address, loaded only on demand.
    const std::wstring manifest = File(L"vsto\\my addin.vsto");
    std::wstring address = L"file:///";
    for (const wchar_t c : manifest) {
        address += c == L'\\' ? std::wstring(L"/") : c == L' ' ? std::wstring(L"%20") : std::wstring(1, c);
    }
    WriteString(HKEY_CURRENT_USER, kOffice + L"Outlook\\Addins\\My.Vsto", L"Manifest", address + L"|vstolocal");
    test::WriteDword(HKEY_CURRENT_USER, kOffice + L"Outlook\\Addins\\My.Vsto", L"LoadBehavior", 0);
    const std::wstring book = File(L"books\\start book.xlam");
    WriteString(HKEY_CURRENT_USER, kOffice + L"16.0\\Excel\\Options", L"OPEN", L"/R \"" + book + L"\"");
    WriteString(HKEY_CURRENT_USER, kOffice + L"16.0\\Excel\\Options", L"OPENED", L"not an option to open");
    // The machine's click-to-run registry.
    const std::wstring c2r = File(L"c2r\\c2r.dll");
    WriteString(HKEY_LOCAL_MACHINE,
                L"Software\\Microsoft\\Office\\ClickToRun\\REGISTRY\\MACHINE\\" + kOffice + L"Excel\\Addins\\C2R.Addin",
                L"Manifest", c2r);
    test::WriteDword(HKEY_LOCAL_MACHINE,
                     L"Software\\Microsoft\\Office\\ClickToRun\\REGISTRY\\MACHINE\\" + kOffice + L"Excel\\Addins\\C2R.Addin",
                     L"LoadBehavior", 3);
    const std::wstring dotm = File(L"AppData\\Roaming\\Microsoft\\Word\\STARTUP\\evil.dotm");
    const std::wstring xlsm = File(L"Program Files\\Microsoft Office\\root\\Office16\\XLSTART\\macro.xlsm");

    const struct {
        std::wstring name;
        std::wstring image;
        std::wstring location;
        int32_t kind;
        const wchar_t* technique;
        bool notAtStart;
    } expected[] = {
        {L"Office test", perf, L"HKCU\\Software\\Microsoft\\Office test\\Special\\Perf", KindValue, L"T1137.002",
         false},
        {L"My.Vsto", manifest, L"HKCU\\" + kOffice + L"Outlook\\Addins", KindKey, L"T1137.006", true},
        {L"OPEN", book, L"HKCU\\" + kOffice + L"16.0\\Excel\\Options", KindValue, L"T1137.006", false},
        {L"Evil.Connect", server, L"HKLM\\" + kOffice + L"Word\\Addins", KindKey, L"T1137.006", false},
        {L"C2R.Addin", c2r, L"HKLM\\Software\\Microsoft\\Office\\ClickToRun\\REGISTRY\\MACHINE\\" + kOffice + L"Excel\\Addins",
         KindKey, L"T1137.006", false},
        {L"evil.dotm", dotm, scratch / L"AppData\\Roaming\\Microsoft\\Word\\STARTUP", KindStartupFile, L"T1137.001",
         false},
        {L"macro.xlsm", xlsm, scratch / L"Program Files\\Microsoft Office\\root\\Office16\\XLSTART", KindStartupFile,
         L"T1137.001", false},
    };
    office.Enumerate();
    ASSERT_EQ(std::size(expected), office.results().entries.size()) << AllOf(office);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const AutoRunEntry& e = *office.results().entries[i];
        EXPECT_EQ(expected[i].name, e.name);
        EXPECT_EQ(LowerAscii(expected[i].image), LowerAscii(e.imagePath)) << test::Printable(e.name);
        EXPECT_TRUE(EqualsNoCaseAscii(expected[i].location, e.location)) << test::Printable(e.location);
        EXPECT_EQ(expected[i].kind, e.entryKind) << test::Printable(e.name);
        EXPECT_STREQ(expected[i].technique, e.technique);
        EXPECT_EQ(expected[i].notAtStart, e.notAtStart) << test::Printable(e.name);
    }
    for (const auto& place : expected) {
        ExpectRoundTrip(place.name);
    }
}

TEST_F(OfficeAddinsTest, AnAddinOfThe32BitViewIsListedThere) {
    const auto wow = Wow32PathOf(kOffice + L"Excel\\Addins");
    if (!wow) {
        GTEST_SKIP() << "this build's Windows keeps one registry view";
    }
    const std::wstring manifest = File(L"x86\\addin.dll");
    WriteString(HKEY_LOCAL_MACHINE, *wow + L"\\Old.Addin", L"Manifest", manifest);
    const AutoRunEntry* entry = Find(L"Old.Addin");
    ASSERT_NE(nullptr, entry);
    EXPECT_TRUE(IsWow32Entry(*entry));
    EXPECT_EQ(L"HKLM\\" + *wow, entry->location);
    ExpectRoundTrip(L"Old.Addin");
}

TEST(OfficeAddinTexts, ManifestAndOpenOptionNameTheirFile) {
    EXPECT_EQ(L"C:\\a b\\x.vsto", CTarnAutoRunOfficeAddins::ManifestFile(L"file:///C:/a%20b/x.vsto|vstolocal"));
    EXPECT_EQ(L"C:\\x\\y.dll", CTarnAutoRunOfficeAddins::ManifestFile(L"C:\\x\\y.dll"));
    EXPECT_EQ(L"C:\\b c\\x.xlam", CTarnAutoRunOfficeAddins::OpenOptionFile(L"/R /A \"C:\\b c\\x.xlam\" "));
    EXPECT_EQ(L"C:\\x.xll", CTarnAutoRunOfficeAddins::OpenOptionFile(L"C:\\x.xll"));
    EXPECT_EQ(L"", CTarnAutoRunOfficeAddins::OpenOptionFile(L"/R"));
}

}  // namespace
}  // namespace tarn
