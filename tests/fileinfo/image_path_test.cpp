#include "fileinfo/image_path.h"

#include "support/scoped_environment.h"
#include "support/scratch_folder.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::ScopedEnvironment;
using test::ScratchFolder;


std::wstring Replace(std::wstring text, const std::wstring& from, const std::wstring& to) {
    for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// A scratch machine: the system root, Windows folder and program files folder of this process
// point into a scratch folder that holds the files a case needs.
class ImagePathOnDisk : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::wstring root = scratch / L"WINDOWS";
    ScopedEnvironment systemRoot{L"systemroot", root};
    ScopedEnvironment windir{L"windir", root};
    ScopedEnvironment programFiles{L"programfiles", scratch / L"Program Files"};

    // {S} is the scratch folder, {R} the system root, {s} the scratch folder in lower case.
    std::wstring Expand(const std::wstring& text) const {
        return Replace(Replace(Replace(text, L"{S}", scratch.path()), L"{R}", root), L"{s}", LowerAscii(scratch.path()));
    }
};

struct DiskCase {
    const char* what;
    const wchar_t* text;
    std::vector<const wchar_t*> files;  // relative to the scratch folder
    const wchar_t* expected;             // nullptr: not resolved
};

TEST_F(ImagePathOnDisk, WorkedExamplesAndEdgeCasesAgainstRealFiles) {
    const DiskCase cases[] = {
        {"unquoted path with arguments", L"{S}\\Program Files\\App\\app.exe /background",
         {L"Program Files\\App\\app.exe"}, L"{s}\\program files\\app\\app.exe"},
        {"quoted path", L"\"{S}\\Program Files\\App\\app.exe\" -s", {L"Program Files\\App\\app.exe"},
         L"{s}\\program files\\app\\app.exe"},
        {"rundll32", L"rundll32.exe shell32.dll,Control_RunDLL", {L"WINDOWS\\System32\\shell32.dll"},
         L"{R}\\System32\\shell32.dll"},
        {"regsvr32", L"regsvr32 /s foo.dll", {L"WINDOWS\\system32\\foo.dll"}, L"{R}\\system32\\foo.dll"},
        {"\\SystemRoot driver", L"\\SystemRoot\\System32\\drivers\\foo.sys", {L"WINDOWS\\system32\\drivers\\foo.sys"},
         L"{R}\\system32\\drivers\\foo.sys"},
        {"relative driver", L"system32\\DRIVERS\\foo.sys", {L"WINDOWS\\system32\\drivers\\foo.sys"},
         L"{R}\\system32\\drivers\\foo.sys"},
        {"driver without extension", L"foo", {L"WINDOWS\\System32\\drivers\\foo.sys"},
         L"{R}\\System32\\drivers\\foo.sys"},
        {"Userinit with trailing comma", L"%SystemRoot%\\system32\\userinit.exe,", {L"WINDOWS\\system32\\userinit.exe"},
         L"{R}\\system32\\userinit.exe"},
        {"%ProgramFiles%", L"%ProgramFiles%\\App\\app.exe", {L"Program Files\\App\\app.exe"},
         L"{S}\\Program Files\\app\\app.exe"},
        {"%windir%", L"%WINDIR%\\explorer.exe", {L"WINDOWS\\explorer.exe"}, L"{R}\\explorer.exe"},
        {"full driver path with a drive", L"{S}\\WINDOWS\\System32\\Drivers\\x.sys",
         {L"WINDOWS\\System32\\drivers\\x.sys"}, L"{s}\\windows\\system32\\drivers\\x.sys"},
        {"existing file in upper case", L"{S}\\WINDOWS\\NOTEPAD.EXE", {L"WINDOWS\\notepad.exe"},
         L"{s}\\windows\\notepad.exe"},
        {"dllhost with arguments", L"{S}\\WINDOWS\\system32\\dllhost.exe /processid:{AB}",
         {L"WINDOWS\\system32\\dllhost.exe"}, L"{s}\\windows\\system32\\dllhost.exe"},
        {"bare name in the Windows folder first", L"explorer.exe /e",
         {L"WINDOWS\\explorer.exe", L"WINDOWS\\System32\\explorer.exe"}, L"{R}\\explorer.exe"},
        {"empty text", L"", {L"WINDOWS\\System32\\x.dll"}, nullptr},
        {"regsvr32 without a space", L"regsvr32.exe", {L"WINDOWS\\System32\\regsvr32.exe"}, nullptr},
        {"dotted folder", L"{S}\\my.app\\tool.exe -x", {L"my.app\\tool.exe"}, nullptr},
        {"unexpanded variable", L"%userprofile%\\app.exe", {L"app.exe"}, nullptr},
        {"missing file", L"{S}\\nothing-here.exe", {}, nullptr},
    };
    for (const DiskCase& c : cases) {
        for (const wchar_t* file : c.files) {
            scratch.AddFile(file);
        }
        AutoRunEntry entry;
        entry.imagePath = L"untouched";
        const int resolved = ResolveImagePath(&entry, Expand(c.text));
        if (c.expected == nullptr) {
            EXPECT_EQ(0, resolved) << c.what;
            EXPECT_EQ(L"untouched", entry.imagePath) << c.what;
        } else {
            EXPECT_EQ(1, resolved) << c.what;
            EXPECT_EQ(Expand(c.expected), entry.imagePath) << c.what;
        }
    }
}

TEST_F(ImagePathOnDisk, WorksWithoutAnEntry) {
    scratch.AddFile(L"WINDOWS\\System32\\drivers\\beep.sys");
    EXPECT_EQ(1, ResolveImagePath(nullptr, L"beep"));
    EXPECT_EQ(0, ResolveImagePath(nullptr, L"nothing"));
}

TEST_F(ImagePathOnDisk, SeesAChangedEnvironmentAtOnce) {
    scratch.AddFile(L"Other\\System32\\drivers\\beep.sys");
    AutoRunEntry entry;
    EXPECT_EQ(0, ResolveImagePath(&entry, L"beep"));
    ScopedEnvironment otherRoot(L"systemroot", scratch / L"Other");
    EXPECT_EQ(1, ResolveImagePath(&entry, L"beep"));
    EXPECT_EQ(scratch / L"Other\\System32\\drivers\\beep.sys", entry.imagePath);
}

}  // namespace
}  // namespace tarn
