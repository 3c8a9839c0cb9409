#include "pages/entry_commands.h"

#include "model/key_text.h"

namespace tarn {

namespace {

constexpr int32_t kTasks = 4;
constexpr int32_t kWinsock = 11;
constexpr int32_t kNetwork = 12;
constexpr int32_t kShortcuts = 14;

enum Item { kEnable, kDisable, kDelete, kLocateRegistry, kLocateFile, kProperties };

// One row of the page table: the operations of switch on, switch off and delete for one kind.
struct KindPlan {
    Operation enable;
    Operation disable;
    Operation remove;
    NameField nameField;
    bool confirmsSuccess;
};

constexpr KindPlan kValues{Operation::EnableValue, Operation::DisableValue, Operation::DeleteValueEntry,
                           NameField::Name, false};
constexpr KindPlan kListItems{Operation::EnableListItem, Operation::DisableListItem, Operation::DeleteListItem,
                              NameField::Name, false};
constexpr KindPlan kKeyTrees{Operation::EnableKeyTree, Operation::DisableKeyTree, Operation::DeleteKeyTreeEntry,
                             NameField::SubKeyName, false};

// The page table: for each category, what each kind of entry gets.
std::optional<KindPlan> PlanFor(int32_t categoryId, int32_t kind) {
    switch (categoryId) {
        case 1:  // logon
            if (kind == KindListItem) {
                return KindPlan{kListItems.enable, kListItems.disable, kListItems.remove, NameField::Name, true};
            }
            return kind == KindValue ? std::optional<KindPlan>(kValues) : std::nullopt;
        case 2:  // shell extensions
            if (kind == KindValue) {
                return KindPlan{kValues.enable, kValues.disable, kValues.remove, NameField::ValueName, false};
            }
            if (kind == KindKey) {
                return KindPlan{kKeyTrees.enable, kKeyTrees.disable, kKeyTrees.remove, NameField::SubKeyName, true};
            }
            return std::nullopt;
        case 3:  // browser add-ons
            if (kind == KindValue) {
                return KindPlan{kValues.enable, kValues.disable, kValues.remove, NameField::ValueName, false};
            }
            if (kind == KindKey) {
                return KindPlan{Operation::EnableKey, Operation::DisableKey, Operation::DeleteKeyEntry,
                                NameField::SubKeyName, true};
            }
            return std::nullopt;
        case 4:
            return KindPlan{Operation::EnableTask, Operation::DisableTask, Operation::DeleteTask, NameField::Name,
                            false};
        case 5:
        case 6:
            return KindPlan{Operation::EnableService, Operation::DisableService, Operation::DeleteService,
                            NameField::Name, false};
        case 7:
            return KindPlan{Operation::EnableKey, Operation::DisableKey, Operation::DeleteKeyEntry, NameField::Name,
                            false};
        case 8:
            return kListItems;
        case 9:
            return kValues;
        case 10:  // Winlogon notification
            if (kind == KindListItem) {
                return kListItems;
            }
            if (kind == KindKey) {
                return KindPlan{kKeyTrees.enable, kKeyTrees.disable, kKeyTrees.remove, NameField::SubKeyName, true};
            }
            if (kind == KindValue) {
                return KindPlan{kValues.enable, kValues.disable, kValues.remove, NameField::ValueName, true};
            }
            return std::nullopt;
        case 11:
            return KindPlan{Operation::Ignored, Operation::Ignored, Operation::DeleteKeyTreeEntry,
                            NameField::SubKeyName, false};
        case 12:
            return KindPlan{Operation::None, Operation::None, Operation::None, NameField::Name, false};
        case 13:
            return kKeyTrees;
        case 14:
            return KindPlan{Operation::EnableShortcut, Operation::DisableShortcut, Operation::DeleteShortcut,
                            NameField::Name, false};
        default:
            return std::nullopt;
    }
}

}  // namespace

std::array<bool, kEntryCommandCount> MenuAvailability(int32_t categoryId, int32_t state) {
    std::array<bool, kEntryCommandCount> available = {true, true, true, true, true, true};
    if (categoryId == kWinsock) {
        available[kEnable] = available[kDisable] = false;
    }
    if (categoryId == kNetwork) {
        available[kEnable] = available[kDisable] = available[kDelete] = false;
    }
    if (categoryId == kTasks || categoryId == kShortcuts) {
        available[kLocateRegistry] = false;
    }
    const bool switches = categoryId != kWinsock && categoryId != kNetwork;
    if (switches && (state == EntryEnabled || state == EntryDisabled)) {
        const bool enabled = state == EntryEnabled;
        available[kEnable] = !enabled;
        available[kDisable] = enabled;
        if (categoryId == kShortcuts) {
            available[kEnable] = available[kDisable] = false;
        }
    }
    if (state == EntryFileMissing) {
        available[kEnable] = available[kDisable] = false;
        available[kDelete] = true;
        available[kLocateFile] = available[kProperties] = false;
    }
    return available;
}

CommandPlan PlanCommand(int32_t categoryId, EntryCommand command, int32_t entryKind) {
    const auto plan = PlanFor(categoryId, entryKind);
    if (!plan) {
        return {};
    }
    switch (command) {
        case EntryCommand::Enable:
            return {plan->enable, plan->nameField, false};
        case EntryCommand::Disable:
            return {plan->disable, plan->nameField, false};
        case EntryCommand::Delete:
            return {plan->remove, plan->nameField, plan->confirmsSuccess};
        default:
            return {};
    }
}

MessageText DeleteConfirmation(int32_t categoryId) {
    return categoryId == kTasks ? MessageText{L"删除该计划任务将无法恢复,确定要删除吗?", L"删除确认"}
                                : MessageText{L"删除该项将无法恢复,确定要删除吗?", L"删除确认"};
}

MessageText EnableFailure(int32_t categoryId) {
    return categoryId == kTasks ? MessageText{L"启用任务计划失败!", L"启用失败"}
                                : MessageText{L"启用失败,没有足够的操作权限!", L"启用失败"};
}

MessageText DisableFailure(int32_t categoryId) {
    return categoryId == kTasks ? MessageText{L"禁用任务计划失败!", L"禁用失败"}
                                : MessageText{L"禁用失败,没有足够的操作权限!", L"禁用失败"};
}

MessageText DeleteFailure(int32_t categoryId) {
    return categoryId == kTasks ? MessageText{L"删除失败", L"失败"} : MessageText{L"删除失败,没有足够的操作权限!", L"失败"};
}

std::optional<std::wstring> NavigationText(const std::wstring& keyPath, int32_t locateKind) {
    if (locateKind != LocateKey && locateKind != LocateValue) {
        return std::nullopt;
    }
    const std::size_t slash = keyPath.find(L'\\');
    const std::wstring rootName = slash == std::wstring::npos ? std::wstring() : keyPath.substr(0, slash);
    const std::wstring rest = slash == std::wstring::npos ? keyPath : keyPath.substr(slash + 1);
    std::wstring root;
    if (EqualsNoCaseAscii(rootName, L"HKLM")) {
        root = L"HKEY_LOCAL_MACHINE";
    } else if (EqualsNoCaseAscii(rootName, L"HKCU")) {
        root = L"HKEY_CURRENT_USER";
    }
    const auto joined = JoinKeyPath(root, rest);
    if (!joined) {
        return std::nullopt;
    }
    return L"\\" + *joined + (locateKind == LocateKey ? L"\\" : L"");
}

std::wstring LocatedValueName(const AutoRunEntry& entry) {
    if (entry.locateKind != LocateValue) {
        return {};
    }
    return entry.valueName.empty() ? entry.name : entry.valueName;
}

}  // namespace tarn
