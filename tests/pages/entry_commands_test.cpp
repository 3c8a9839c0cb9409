#include "pages/entry_commands.h"

#include "pages/availability_table.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

std::string Items(const std::array<bool, kEntryCommandCount>& available) {
    std::string items;
    for (bool on : available) {
        items.push_back(on ? '1' : '0');
    }
    return items;
}

TEST(MenuAvailability, MatchesTheTableInEveryCell) {
    for (const test::AvailabilityCell& cell : test::kAvailabilityTable) {
        EXPECT_EQ(cell.items, Items(MenuAvailability(cell.category, cell.state)))
            << "category " << cell.category << " state " << cell.state;
    }
}

TEST(PlanCommand, FollowsThePageTable) {
    struct Case {
        int32_t category;
        EntryCommand command;
        int32_t kind;
        Operation operation;
        NameField field;
        bool success;
    };
    const Case cases[] = {
        {1, EntryCommand::Disable, KindListItem, Operation::DisableListItem, NameField::Name, false},
        {1, EntryCommand::Delete, KindListItem, Operation::DeleteListItem, NameField::Name, true},
        {1, EntryCommand::Enable, KindValue, Operation::EnableValue, NameField::Name, false},
        {1, EntryCommand::Delete, KindValue, Operation::DeleteValueEntry, NameField::Name, false},
        {1, EntryCommand::Delete, KindKey, Operation::None, NameField::Name, false},
        {2, EntryCommand::Disable, KindValue, Operation::DisableValue, NameField::ValueName, false},
        {2, EntryCommand::Delete, KindKey, Operation::DeleteKeyTreeEntry, NameField::SubKeyName, true},
        {2, EntryCommand::Delete, KindValue, Operation::DeleteValueEntry, NameField::ValueName, false},
        {3, EntryCommand::Enable, KindKey, Operation::EnableKey, NameField::SubKeyName, false},
        {3, EntryCommand::Delete, KindKey, Operation::DeleteKeyEntry, NameField::SubKeyName, true},
        {4, EntryCommand::Delete, 0, Operation::DeleteTask, NameField::Name, false},
        {5, EntryCommand::Disable, KindService, Operation::DisableService, NameField::SubKeyName, false},
        {6, EntryCommand::Delete, KindService, Operation::DeleteService, NameField::Name, false},
        {7, EntryCommand::Delete, KindKey, Operation::DeleteKeyEntry, NameField::Name, false},
        {8, EntryCommand::Enable, KindListItem, Operation::EnableListItem, NameField::Name, false},
        {9, EntryCommand::Delete, 0, Operation::DeleteValueEntry, NameField::Name, false},
        {10, EntryCommand::Delete, KindValue, Operation::DeleteValueEntry, NameField::ValueName, true},
        {10, EntryCommand::Delete, KindKey, Operation::DeleteKeyTreeEntry, NameField::SubKeyName, true},
        {10, EntryCommand::Delete, KindListItem, Operation::DeleteListItem, NameField::Name, false},
        {11, EntryCommand::Enable, KindKey, Operation::Ignored, NameField::SubKeyName, false},
        {11, EntryCommand::Delete, KindKey, Operation::DeleteKeyTreeEntry, NameField::SubKeyName, false},
        {12, EntryCommand::Delete, 0, Operation::None, NameField::Name, false},
        {13, EntryCommand::Disable, KindKey, Operation::DisableKeyTree, NameField::SubKeyName, false},
        {14, EntryCommand::Delete, 0, Operation::DeleteShortcut, NameField::KeyPath, false},
    };
    for (const Case& c : cases) {
        const CommandPlan plan = PlanCommand(c.category, c.command, c.kind);
        EXPECT_EQ(c.operation, plan.operation) << c.category;
        if (plan.operation != Operation::None) {
            EXPECT_EQ(c.field, plan.nameField) << c.category;
        }
        EXPECT_EQ(c.success, plan.confirmsSuccess) << c.category;
    }
}

TEST(PlanSwitch, WindowsOwnSwitchIsTurnedOnAloneAndAStoredEntryComesBackAsWindowsHasIt) {
    struct Case {
        int32_t category;
        int32_t state;
        bool offByWindows;
        bool enable;
        Operation operation;
        int32_t after;
    };
    const Case cases[] = {
        {1, EntryOffByWindows, true, true, Operation::EnableStartupApproval, EntryEnabled},
        {14, EntryOffByWindows, true, true, Operation::EnableStartupApproval, EntryEnabled},
        {1, EntryDisabled, true, true, Operation::EnableValue, EntryOffByWindows},
        {1, EntryDisabled, false, true, Operation::EnableValue, EntryEnabled},
        {1, EntryEnabled, false, false, Operation::DisableValue, EntryDisabled},
        {14, EntryEnabled, false, true, Operation::EnableShortcut, EntryEnabled},
    };
    for (const Case& c : cases) {
        AutoRunEntry entry;
        entry.entryKind = c.category == 1 ? KindValue : 0;
        entry.state = c.state;
        entry.offByWindows = c.offByWindows;
        entry.approvalKey = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
        EXPECT_EQ(c.operation, PlanSwitch(c.category, c.enable, entry).operation) << "case " << (&c - cases);
        if (c.operation == Operation::EnableStartupApproval) {
            entry.offByWindows = false;  // as the page does once Windows' switch is on
        }
        EXPECT_EQ(c.after, StateAfterSwitch(entry, c.enable)) << "case " << (&c - cases);
    }
}

TEST(CommandMessages, AreTheExactTexts) {
    EXPECT_EQ(std::wstring(L"删除该项将无法恢复,确定要删除吗?"), DeleteConfirmation(1).text);
    EXPECT_EQ(std::wstring(L"删除该计划任务将无法恢复,确定要删除吗?"), DeleteConfirmation(4).text);
    EXPECT_EQ(std::wstring(L"删除确认"), DeleteConfirmation(4).caption);
    EXPECT_EQ(std::wstring(L"启用失败,没有足够的操作权限!"), EnableFailure(5).text);
    EXPECT_EQ(std::wstring(L"启用任务计划失败!"), EnableFailure(4).text);
    EXPECT_EQ(std::wstring(L"禁用任务计划失败!"), DisableFailure(4).text);
    EXPECT_EQ(std::wstring(L"禁用失败"), DisableFailure(9).caption);
    EXPECT_EQ(std::wstring(L"删除失败"), DeleteFailure(4).text);
    EXPECT_EQ(std::wstring(L"失败"), DeleteFailure(1).caption);
}

TEST(NavigationText, WalksFromTheTopToTheKey) {
    struct Case {
        std::wstring keyPath;
        int32_t locateKind;
        std::optional<std::wstring> text;
    };
    const Case cases[] = {
        {L"HKLM\\Software\\Run", LocateKey, L"\\HKEY_LOCAL_MACHINE\\Software\\Run\\"},
        {L"hkcu\\Software\\Run", LocateValue, L"\\HKEY_CURRENT_USER\\Software\\Run"},
        {L"HKCR\\CLSID\\{x}", LocateKey, L"\\\\CLSID\\{x}\\"},
        {L"Software", LocateKey, L"\\\\Software\\"},
        {L"HKLM\\Software", 0, std::nullopt},
        {L"HKLM\\" + std::wstring(250, L'a'), LocateKey, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, NavigationText(c.keyPath, c.locateKind)) << c.locateKind;
    }
}

TEST(LocatedValueName, AValueEntryIsWalkedToItsOwnValue) {
    struct Case {
        std::wstring name;
        std::wstring valueName;
        int32_t locateKind;
        std::wstring located;
    };
    const Case cases[] = {
        {L"Updater", L"", LocateValue, L"Updater"},  // a run-key value names itself only in `name`
        {L"Shell Helper", L"{clsid}", LocateValue, L"{clsid}"},
        {L"", L"", LocateValue, L""},  // the default value
        {L"Updater", L"Updater", LocateKey, L""},
    };
    for (const Case& c : cases) {
        AutoRunEntry entry;
        entry.name = c.name;
        entry.valueName = c.valueName;
        entry.locateKind = c.locateKind;
        EXPECT_EQ(c.located, LocatedValueName(entry)) << "case " << (&c - cases);
    }
}

// A switched-off value or key is located in the store it sits in; a live one, or another kind,
// where the record names it.
TEST(LocatedKeyPath, GoesWhereTheEntryIsNow) {
    struct Case {
        int32_t kind;
        bool inStore;
        std::wstring keyPath;
        std::wstring located;
    };
    const Case cases[] = {
        {KindValue, false, L"HKCU\\Run", L"HKCU\\Run"},
        {KindValue, true, L"HKCU\\Run", L"HKCU\\Run\\TarnAutoRunDisable"},
        {KindKey, true, L"HKLM\\IFEO\\a.exe", L"HKLM\\IFEO\\TarnAutoRunDisable\\a.exe"},
        {KindKey, false, L"HKLM\\IFEO\\a.exe", L"HKLM\\IFEO\\a.exe"},
        {KindService, true, L"HKLM\\Services\\svc", L"HKLM\\Services\\svc"},
    };
    for (const Case& c : cases) {
        AutoRunEntry entry;
        entry.entryKind = c.kind;
        entry.inStore = c.inStore;
        entry.keyPath = c.keyPath;
        entry.subKeyName = L"a.exe";
        EXPECT_EQ(c.located, LocatedKeyPath(entry)) << "case " << (&c - cases);
    }
}

}  // namespace
}  // namespace tarn
