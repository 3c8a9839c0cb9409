#include "fileinfo/machine_files.h"
#include "model/image_hijacks.h"

#include "support/category_fixture.h"
#include "support/registry_paths.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using namespace test::paths;

using test::CategoryTest;
using test::Describe;
using test::Expected;
using test::Names;
using test::WriteDword;
using test::WriteString;

class ImageHijacksTest : public CategoryTest {
protected:
    CTarnAutoRunImageHijacks hijacks{MachineFiles()};
};

TEST_F(ImageHijacksTest, DebuggerKeysAreListedAndOptionKeysAreNot) {
    const std::wstring debugger = File(L"tools\\dbg.exe");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\notepad.exe", L"debugger", debugger + L" -attach");
    WriteDword(HKEY_LOCAL_MACHINE, kOptions + L"\\game.exe", L"GlobalFlag", 0x200);
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\game.exe", L"DisableHeapLookaside", L"1");
    hijacks.Enumerate();
    ASSERT_EQ(1u, hijacks.results().entries.size());
    const std::wstring location = L"HKLM\\" + kOptions;
    EXPECT_EQ(Describe(Expected{L"notepad.exe", debugger + L" -attach", LowerAscii(debugger), location,
                                location + L"\\notepad.exe", L"", L"notepad.exe", KindKey, LocateKey}),
              Describe(*hijacks.results().entries[0]));
}

TEST_F(ImageHijacksTest, StoredHijackIsDisabledUnderTheLiveKey) {
    const std::wstring debugger = File(L"tools\\dbg.exe");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\taskmgr.exe", L"Debugger", debugger);
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\TarnAutoRunDisable\\calc.exe", L"Debugger", debugger);
    hijacks.Enumerate();
    ASSERT_EQ((std::vector<std::wstring>{L"taskmgr.exe", L"calc.exe"}), Names(hijacks));
    const std::wstring location = L"HKLM\\" + kOptions;
    EXPECT_EQ(Describe(Expected{L"calc.exe", debugger, LowerAscii(debugger), location, location + L"\\calc.exe", L"",
                                L"calc.exe", KindKey, LocateKey, EntryDisabled}),
              Describe(*hijacks.results().entries[1]));
}

TEST_F(ImageHijacksTest, MissingKeyUnresolvableDebuggerAndRescan) {
    hijacks.Enumerate();
    EXPECT_TRUE(hijacks.results().entries.empty());

    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\a.exe", L"Debugger", L"c:\\gone\\x.exe");
    const std::wstring debugger = File(L"dbg.exe");
    WriteString(HKEY_LOCAL_MACHINE, kOptions + L"\\b.exe", L"Debugger", debugger);
    hijacks.ClearResults();
    hijacks.Enumerate();
    const auto first = test::DescribeAll(hijacks);
    EXPECT_EQ(std::vector<std::wstring>{L"b.exe"}, Names(hijacks));
    hijacks.ClearResults();
    hijacks.Enumerate();
    EXPECT_EQ(first, test::DescribeAll(hijacks));
}

}  // namespace
}  // namespace tarn
