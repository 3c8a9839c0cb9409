#include "pages/entry_commands.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "pages/category_table.h"

namespace tarn {

namespace {

enum Item { kEnable, kDisable, kDelete, kLocateRegistry, kLocateFile, kProperties };

const CommandTexts& TextsOf(int32_t categoryId) {
    const CategoryRow* row = CategoryRowOf(categoryId);
    return row != nullptr ? *row->texts : kEntryTexts;
}

}  // namespace

const std::optional<KindPlan>& KindPlans::For(int32_t entryKind) const {
    switch (entryKind) {
        case KindValue:
            return value;
        case KindService:
            return service;
        case KindKey:
            return key;
        case KindListItem:
            return listItem;
        case KindStartupFile:
            return startupFile;
        case KindCachedTask:
            return cachedTask;
        default:
            return other;
    }
}

std::array<bool, kEntryCommandCount> MenuAvailability(int32_t categoryId,
                                                      int32_t state,
                                                      bool hasFile,
                                                      int32_t entryKind) {
    std::array<bool, kEntryCommandCount> available = {true, true, true, true, true, true};
    const CategoryRow* row = CategoryRowOf(categoryId);
    const MenuRules rules = row != nullptr ? row->menu : MenuRules{};
    const std::optional<KindPlan>* plan = row != nullptr ? &row->plans.For(entryKind) : nullptr;
    const bool switchesByState = plan == nullptr || !plan->has_value() || (*plan)->switchesByState;
    // A kind whose plan calls nothing for a command has that command greyed, whatever the page's.
    const auto calls = [&](const StateCall KindPlan::*call) {
        return plan == nullptr || !plan->has_value() ||
               (((**plan).*call).operation != Operation::Ignored && ((**plan).*call).operation != Operation::None);
    };
    if (!rules.switches || !calls(&KindPlan::enable)) {
        available[kEnable] = available[kDisable] = false;
    }
    if (!rules.deletes || !calls(&KindPlan::remove)) {
        available[kDelete] = false;
    }
    if (!rules.locatesInRegistry) {
        available[kLocateRegistry] = false;
    }
    if (rules.switches && calls(&KindPlan::enable) && (state == EntryEnabled || state == EntryDisabled)) {
        const bool enabled = state == EntryEnabled;
        available[kEnable] = switchesByState && !enabled;
        available[kDisable] = switchesByState && enabled;
    }
    if (state == EntryOffByWindows) {
        // Only Windows' own switch is to be turned back on; the store does not hold it.
        available[kEnable] = rules.switches && calls(&KindPlan::enable);
        available[kDisable] = false;
    }
    if (state == EntryFileMissing) {
        available[kEnable] = available[kDisable] = false;
        available[kDelete] = true;
        available[kLocateFile] = available[kProperties] = false;
    }
    if (!hasFile) {
        available[kLocateFile] = available[kProperties] = false;
    }
    return available;
}

CommandPlan PlanSwitch(int32_t categoryId, bool enable, const AutoRunEntry& entry) {
    if (enable && entry.state == EntryOffByWindows && !entry.approvalKey.empty()) {
        return {Operation::EnableStartupApproval, NameField::Name, false};
    }
    return PlanCommand(categoryId, enable ? EntryCommand::Enable : EntryCommand::Disable, entry.entryKind);
}

void TakeSwitchedPlace(AutoRunEntry& entry, bool enable) {
    if (entry.entryKind != KindStartupFile) {
        return;
    }
    const std::wstring name = entry.keyPath.substr(entry.keyPath.find_last_of(L'\\') + 1);
    const std::wstring folder = enable ? entry.location : StartupFileStoreOf(entry.location);
    entry.keyPath = JoinKeyText(folder, name);
}

int32_t StateAfterSwitch(const AutoRunEntry& entry, bool enable) {
    if (!enable) {
        return EntryDisabled;
    }
    return entry.state != EntryOffByWindows && entry.offByWindows ? EntryOffByWindows : EntryEnabled;
}

CommandPlan PlanCommand(int32_t categoryId, EntryCommand command, int32_t entryKind) {
    const CategoryRow* row = CategoryRowOf(categoryId);
    if (row == nullptr) {
        return {};
    }
    const auto& plan = row->plans.For(entryKind);
    if (!plan) {
        return {};
    }
    switch (command) {
        case EntryCommand::Enable:
            return {plan->enable.operation, plan->enable.nameField, false};
        case EntryCommand::Disable:
            return {plan->disable.operation, plan->disable.nameField, false};
        case EntryCommand::Delete:
            return {plan->remove.operation, plan->remove.nameField, plan->confirmsSuccess};
        default:
            return {};
    }
}

MessageText DeleteConfirmation(int32_t categoryId) {
    return TextsOf(categoryId).deleteConfirmation;
}

MessageText EnableFailure(int32_t categoryId) {
    return TextsOf(categoryId).enableFailure;
}

MessageText DisableFailure(int32_t categoryId) {
    return TextsOf(categoryId).disableFailure;
}

MessageText DeleteFailure(int32_t categoryId) {
    return TextsOf(categoryId).deleteFailure;
}

const std::wstring& FieldOf(const AutoRunEntry& entry, NameField field) {
    switch (field) {
        case NameField::ValueName:
            return entry.valueName;
        case NameField::SubKeyName:
            return entry.subKeyName;
        case NameField::KeyPath:
            return entry.keyPath;
        case NameField::Name:
            break;
    }
    return entry.name;
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
    } else if (EqualsNoCaseAscii(rootName, L"HKU")) {
        root = L"HKEY_USERS";
    }
    const auto joined = JoinKeyPath(root, rest);
    if (!joined) {
        return std::nullopt;
    }
    return L"\\" + *joined + (locateKind == LocateKey ? L"\\" : L"");
}

std::wstring LocatedKeyPath(const AutoRunEntry& entry) {
    if (!entry.inStore) {
        return entry.keyPath;
    }
    if (entry.entryKind == KindValue) {
        return JoinKeyText(entry.keyPath, kStoreName);
    }
    const std::size_t slash = entry.keyPath.rfind(L'\\');
    if (entry.entryKind == KindKey && slash != std::wstring::npos &&
        entry.keyPath.compare(slash + 1, std::wstring::npos, entry.subKeyName) == 0) {
        return JoinKeyText(JoinKeyText(entry.keyPath.substr(0, slash), kStoreName), entry.subKeyName);
    }
    return entry.keyPath;
}

std::wstring LocatedValueName(const AutoRunEntry& entry) {
    if (entry.locateKind != LocateValue) {
        return {};
    }
    return entry.valueName.empty() ? entry.name : entry.valueName;
}

}  // namespace tarn
