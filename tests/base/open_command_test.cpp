#include "base/open_command.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(CommandForFile, MakesTheCommandAFileTypeRuns) {
    const std::wstring file = L"C:\\Users\\me\\Start Menu\\go.vbs";
    const struct {
        const wchar_t* commandTemplate;
        std::wstring expected;
    } cases[] = {
        {L"\"%1\" %*", L"\"" + file + L"\""},
        {L"\"C:\\Windows\\System32\\WScript.exe\" \"%1\" %*",
         L"\"C:\\Windows\\System32\\WScript.exe\" \"" + file + L"\""},
        {L"C:\\Windows\\System32\\mshta.exe %1 %2 %9", L"C:\\Windows\\System32\\mshta.exe \"" + file + L"\""},
        {L"notepad.exe %L", L"notepad.exe \"" + file + L"\""},
        {L"cmd.exe /c", L"cmd.exe /c \"" + file + L"\""},
        {L"run.exe 100%% %SystemRoot% \"%1\"", L"run.exe 100% %SystemRoot% \"" + file + L"\""},
        {L"trailing %", L"trailing % \"" + file + L"\""},
        {L"", L"\"" + file + L"\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, CommandForFile(c.commandTemplate, file)) << c.commandTemplate;
    }
    EXPECT_EQ(L"x.exe C:\\a.bat", CommandForFile(L"x.exe %1", L"C:\\a.bat"));
}

}  // namespace
}  // namespace tarn
