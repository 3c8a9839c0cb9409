#include "fileinfo/image_path_rules.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarn {
namespace {

// A machine with a case-insensitive file system, as on Windows, that remembers what was probed.
class FakeMachine {
public:
    std::map<std::wstring, std::wstring> variables{{L"systemroot", L"C:\\WINDOWS"},
                                                   {L"windir", L"C:\\WINDOWS"},
                                                   {L"programfiles", L"C:\\Program Files"}};
    std::set<std::wstring> existing;  // lower-cased
    mutable std::vector<std::wstring> probes;

    void Add(const std::wstring& path) { existing.insert(LowerAscii(path)); }

    ImagePathEnvironment Environment() const {
        return {[this](const wchar_t* name) {
                    const auto it = variables.find(name);
                    return it == variables.end() ? std::wstring() : it->second;
                },
                [this](const std::wstring& path) {
                    probes.push_back(path);
                    return existing.count(LowerAscii(path)) > 0;
                },
                {},
                [](const std::wstring& device) {
                    return device == L"\\device\\harddiskvolume3" ? std::optional<std::wstring>(L"c:") : std::nullopt;
                }};
    }

    std::optional<std::wstring> Resolve(const std::wstring& text) const {
        return ResolveImagePathText(text, Environment());
    }
};

struct Case {
    const char* what;
    std::wstring text;
    std::vector<std::wstring> files;
    std::optional<std::wstring> expected;
};

TEST(ResolveImagePathText, WorkedExamplesAndEdgeCases) {
    const std::wstring dllhost = L"c:\\windows\\system32\\dllhost.exe";
    const Case cases[] = {
        {"unquoted path with arguments: executable guess",
         L"C:\\Program Files\\App\\app.exe /background",
         {L"C:\\Program Files\\App\\app.exe"},
         L"c:\\program files\\app\\app.exe"},
        {"quoted path",
         L"\"C:\\Program Files\\App\\app.exe\" -s",
         {L"C:\\Program Files\\App\\app.exe"},
         L"c:\\program files\\app\\app.exe"},
        {"rundll32: the DLL before the comma, found in the system folder",
         L"rundll32.exe shell32.dll,Control_RunDLL",
         {L"C:\\WINDOWS\\System32\\shell32.dll"},
         L"C:\\WINDOWS\\System32\\shell32.dll"},
        {"regsvr32: bare DLL in the system folder",
         L"regsvr32 /s foo.dll",
         {L"C:\\WINDOWS\\system32\\foo.dll"},
         L"C:\\WINDOWS\\system32\\foo.dll"},
        {"service form with \\SystemRoot",
         L"\\SystemRoot\\System32\\drivers\\foo.sys",
         {L"C:\\WINDOWS\\system32\\drivers\\foo.sys"},
         L"C:\\WINDOWS\\system32\\drivers\\foo.sys"},
        {"relative driver path",
         L"system32\\DRIVERS\\foo.sys",
         {L"C:\\WINDOWS\\system32\\drivers\\foo.sys"},
         L"C:\\WINDOWS\\system32\\drivers\\foo.sys"},
        {"name without a dot is a driver",
         L"foo",
         {L"C:\\WINDOWS\\System32\\drivers\\foo.sys"},
         L"C:\\WINDOWS\\System32\\drivers\\foo.sys"},
        {"%SystemRoot% with a trailing comma",
         L"%SystemRoot%\\system32\\userinit.exe,",
         {L"C:\\WINDOWS\\system32\\userinit.exe"},
         L"C:\\WINDOWS\\system32\\userinit.exe"},
        {"empty text, although the system root exists as a folder",
         L"",
         {L"C:\\WINDOWS", L"C:\\WINDOWS\\System32"},
         std::nullopt},
        {"existing file in any letter case: its lower-cased form",
         L"C:\\WINDOWS\\NOTEPAD.EXE",
         {L"C:\\WINDOWS\\NOTEPAD.EXE"},
         L"c:\\windows\\notepad.exe"},
        {"dllhost with arguments", dllhost + L" /processid:{12345678-1234-1234-1234-123456789ABC}", {dllhost}, dllhost},
        {"dllhost without arguments", dllhost, {dllhost}, dllhost},
        {"regsvr32 without a space", L"regsvr32.exe", {L"C:\\WINDOWS\\System32\\regsvr32.exe"}, std::nullopt},
        {"rundll32 without a comma: the whole text after the space",
         L"rundll32 c:\\tools\\helper.dll",
         {L"c:\\tools\\helper.dll"},
         L"c:\\tools\\helper.dll"},
        {"a dotted folder defeats the executable guess",
         L"c:\\my.app\\tool.exe -x",
         {L"c:\\my.app\\tool.exe"},
         std::nullopt},
        {"only three environment forms are expanded",
         L"%userprofile%\\app.exe",
         {L"C:\\users\\me\\app.exe"},
         std::nullopt},
        {"%ProgramFiles% is expanded",
         L"%ProgramFiles%\\App\\app.exe",
         {L"C:\\Program Files\\App\\app.exe"},
         L"C:\\Program Files\\app\\app.exe"},
        {"programfiles without percent signs is left alone",
         L"c:\\programfiles\\x.exe",
         {L"c:\\programfiles\\x.exe"},
         L"c:\\programfiles\\x.exe"},
        {"%windir% is expanded",
         L"%windir%\\explorer.exe",
         {L"C:\\WINDOWS\\explorer.exe"},
         L"C:\\WINDOWS\\explorer.exe"},
        {"a full driver path is left as it is",
         L"C:\\Windows\\System32\\Drivers\\x.sys",
         {L"C:\\WINDOWS\\system32\\drivers\\x.sys"},
         L"c:\\windows\\system32\\drivers\\x.sys"},
        {"%SystemRoot% driver path is not prefixed twice",
         L"%SystemRoot%\\System32\\drivers\\x.sys",
         {L"C:\\WINDOWS\\system32\\drivers\\x.sys"},
         L"C:\\WINDOWS\\system32\\drivers\\x.sys"},
        {"bare name in the Windows folder wins over the system folder",
         L"explorer.exe /e",
         {L"C:\\WINDOWS\\explorer.exe", L"C:\\WINDOWS\\System32\\explorer.exe"},
         L"C:\\WINDOWS\\explorer.exe"},
        {"unterminated quote", L"\"c:\\app.exe", {L"c:\\app.exe"}, std::nullopt},
        {"regsvr32 with a full path", L"regsvr32 /s c:\\x\\y.dll", {L"c:\\x\\y.dll"}, L"c:\\x\\y.dll"},
        {"regsvr32 with a drive-relative name", L"regsvr32 /s d:y.dll", {L"d:y.dll"}, L"d:y.dll"},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        for (const auto& file : c.files) {
            machine.Add(file);
        }
        EXPECT_EQ(c.expected, machine.Resolve(c.text)) << c.what;
    }
}

// The object-path forms services and drivers are registered with name the file they name, whatever
// the rules after them do with system32 and drivers; a form that names no file names nothing.
TEST(ResolveImagePathText, ObjectPathFormsNameTheirFiles) {
    const std::wstring driver = L"C:\\Windows\\System32\\drivers\\x.sys";
    const std::wstring program = L"C:\\Program Files\\Vendor\\svc.exe";
    const Case cases[] = {
        {"\\?"
         "?\\ driver",
         L"\\?"
         L"?\\C:\\Windows\\System32\\drivers\\x.sys",
         {driver},
         LowerAscii(driver)},
        {"\\?"
         "?\\ program with arguments",
         L"\\?"
         L"?\\C:\\Program Files\\Vendor\\svc.exe -k x",
         {program},
         LowerAscii(program)},
        {"quoted \\?"
         "?\\",
         L"\"\\?"
         L"?\\C:\\Program Files\\Vendor\\svc.exe\" -k",
         {program},
         LowerAscii(program)},
        {"\\DosDevices\\", L"\\DosDevices\\C:\\Windows\\System32\\drivers\\x.sys", {driver}, LowerAscii(driver)},
        {"\\GLOBAL?"
         "?\\",
         L"\\GLOBAL?"
         L"?\\c:\\windows\\system32\\DRIVERS\\x.sys",
         {driver},
         LowerAscii(driver)},
        {"\\\\?\\ is taken as it is",
         L"\\\\?\\C:\\Windows\\System32\\drivers\\x.sys",
         {L"\\\\?\\" + driver},
         L"\\\\?\\" + LowerAscii(driver)},
        {"\\SystemRoot\\ outside the drivers folder",
         L"\\SystemRoot\\System32\\svchost.exe -k netsvcs",
         {L"C:\\WINDOWS\\System32\\svchost.exe"},
         L"C:\\WINDOWS\\system32\\svchost.exe"},
        {"System32 relative to the system root",
         L"System32\\svchost.exe -k LocalService",
         {L"C:\\WINDOWS\\System32\\svchost.exe"},
         L"C:\\WINDOWS\\system32\\svchost.exe"},
        {"a volume device mapped to its drive",
         L"\\Device\\HarddiskVolume3\\Windows\\System32\\drivers\\x.sys",
         {driver},
         L"c:\\windows\\system32\\drivers\\x.sys"},
        {"a volume with no drive names nothing",
         L"\\Device\\HarddiskVolume9\\Windows\\System32\\drivers\\x.sys",
         {driver},
         std::nullopt},
        {"\\?"
         "?\\ of a file that is not there",
         L"\\?"
         L"?\\C:\\Windows\\System32\\drivers\\gone.sys",
         {driver},
         std::nullopt},
        {"\\?"
         "?\\ followed by no drive is left alone",
         L"\\?"
         L"?\\UNC\\server\\x.sys",
         {driver},
         std::nullopt},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        for (const auto& file : c.files) {
            machine.Add(file);
        }
        EXPECT_EQ(c.expected, machine.Resolve(c.text)) << c.what;
    }
}

TEST(ResolveImagePathText, UnsetSystemRootGivesAnEmptyPrefix) {
    FakeMachine machine;
    machine.variables.erase(L"systemroot");
    machine.Add(L"\\x.exe");
    EXPECT_EQ(std::wstring(L"\\x.exe"), machine.Resolve(L"%systemroot%\\x.exe"));
}

TEST(ResolveImagePathText, ReadsTheEnvironmentAfresh) {
    FakeMachine machine;
    machine.Add(L"D:\\NT\\System32\\drivers\\foo.sys");
    EXPECT_EQ(std::nullopt, machine.Resolve(L"foo"));
    machine.variables[L"systemroot"] = L"D:\\NT";
    EXPECT_EQ(std::wstring(L"D:\\NT\\System32\\drivers\\foo.sys"), machine.Resolve(L"foo"));
}

TEST(ResolveImagePathText, NeverProbesTheBareSystemFoldersForAnEmptyName) {
    FakeMachine machine;
    machine.Add(L"C:\\WINDOWS\\");
    machine.Add(L"C:\\WINDOWS\\System32\\");
    EXPECT_EQ(std::nullopt, machine.Resolve(L" x.dll"));
    for (const auto& probe : machine.probes) {
        EXPECT_NE(L"C:\\WINDOWS\\", probe);
        EXPECT_NE(L"C:\\WINDOWS\\System32\\", probe);
    }
}

TEST(ResolveImagePathText, NeverAsksAboutATextNoFileCanBeNamed) {
    FakeMachine machine;
    machine.Add(L"C:\\Tools\\app.exe");
    machine.Add(L"\\\\?\\C:\\Tools\\long.exe");
    EXPECT_EQ(std::wstring(L"c:\\tools\\app.exe"), machine.Resolve(L"\"C:\\Tools\\app.exe\" /tray"));
    EXPECT_EQ(std::wstring(L"\\\\?\\c:\\tools\\long.exe"), machine.Resolve(L"\\\\?\\C:\\Tools\\long.exe"));
    for (const auto& probe : machine.probes) {
        EXPECT_EQ(std::wstring::npos, probe.find_first_of(L"\"<>|*")) << std::string(probe.begin(), probe.end());
    }
}

TEST(ResolveImagePathText, OverLongComposedCandidatesCountAsNotFound) {
    FakeMachine machine;
    // Bare name: the Windows-folder candidate would be 260 characters.
    const std::wstring name = std::wstring(kMaxComposedPathLength - 11 - 4 + 1, L'a') + L".dll";
    const std::wstring tooLong = L"C:\\WINDOWS\\" + name;
    ASSERT_EQ(kMaxComposedPathLength + 1, tooLong.size());
    machine.Add(tooLong);
    machine.Add(L"C:\\WINDOWS\\System32\\" + name);
    EXPECT_EQ(std::nullopt, machine.Resolve(name));
    for (const auto& probe : machine.probes) {
        EXPECT_LE(probe.size(), kMaxComposedPathLength);
    }

    // One character shorter fits.
    FakeMachine fits;
    const std::wstring shorter = name.substr(1);
    fits.Add(L"C:\\WINDOWS\\" + shorter);
    EXPECT_EQ(L"C:\\WINDOWS\\" + shorter, fits.Resolve(shorter));
}

TEST(ResolveImagePathText, OverLongDriverNameIsNotFound) {
    FakeMachine machine;
    const std::wstring name(250, L'd');
    machine.Add(L"C:\\WINDOWS\\System32\\drivers\\" + name + L".sys");
    EXPECT_EQ(std::nullopt, machine.Resolve(name));
}

}  // namespace
}  // namespace tarn
