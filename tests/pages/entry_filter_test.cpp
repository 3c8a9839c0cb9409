#include "pages/entry_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

TEST(EntryFilter, KeepsRowsWhoseTextsHoldTheFilterWithoutRegardToCase) {
    AutoRunEntry entry;
    entry.name = L"\\Vendor\\Updater";
    entry.imagePath = L"c:\\tools\\ÉTÉ.exe";
    entry.commandLine = L"run\u202E /now";
    entry.company = L"Contoso Ltd";
    entry.description = L"自动更新";
    entry.signature = L"签名正常";
    entry.location = L"HKLM\\Software\\Run";
    entry.user = L"Bob";
    const struct {
        const wchar_t* typed;
        bool kept;
    } cases[] = {
        {L"", true},        {L"VENDOR", true},       {L"été", true},   {L"\\u202e", true},
        {L"contoso", true}, {L"更新", true},         {L"签名", true},  {L"software\\run", true},
        {L"[bob]", true},   {L"contoso inc", false}, {L"hkcu", false}, {L"\u202E", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.kept, EntryMatches(entry, FoldCase(c.typed))) << c.typed;
    }
}

TEST(EntryFilter, CaptionsCountTheRowsAndWhileFilteringTheMatches) {
    EXPECT_EQ(L"系统服务 (212)", CountedCaption(L"系统服务", 212, 212, false));
    EXPECT_EQ(L"系统服务 (3/212)", CountedCaption(L"系统服务", 212, 3, true));
    EXPECT_EQ(L"驱动服务 (0/0)", CountedCaption(L"驱动服务", 0, 0, true));
}

}  // namespace
}  // namespace tarn
