#pragma once

// What a page's context menu offers and what each of its commands calls, by category and entry.
// Pure logic, tested without Windows.

#include "base/autorun_entry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

enum class EntryCommand { Enable, Disable, Delete, LocateRegistry, LocateFile, Properties };

constexpr std::size_t kEntryCommandCount = 6;

// The state-change operation a command calls on an entry.
enum class Operation {
    None,     // the entry's kind is left alone: nothing is called and nothing is shown
    Ignored,  // the page does not support the command
    EnableValue,
    DisableValue,
    DeleteValueEntry,
    EnableService,
    DisableService,
    DeleteService,
    EnableKey,
    DisableKey,
    DeleteKeyEntry,
    EnableKeyTree,
    DisableKeyTree,
    DeleteKeyTreeEntry,
    EnableTask,
    DisableTask,
    DeleteTask,
    EnableListItem,
    DisableListItem,
    DeleteListItem,
    EnableShortcut,
    DisableShortcut,
    DeleteShortcut,
    // Windows' own startup switch, turned back on.
    EnableStartupApproval,
    // A file right in a Startup folder, moved into its store and back.
    EnableStartupFile,
    DisableStartupFile,
    // A WMI binding, kept as MOF text and deleted.
    DeleteWmiBinding,
    // A task of the scheduler's registry cache, its keys kept in the cache's store and deleted.
    DeleteCachedTask,
};

// The field of the entry that names what an operation acts on: the value, subkey, task or
// shortcut. The operation's other arguments are the same on every page.
enum class NameField { Name, ValueName, SubKeyName, KeyPath };

// One call: the operation and the field it takes its name from.
struct StateCall {
    Operation operation = Operation::None;
    NameField nameField = NameField::Name;
};

// What the three state-changing commands call for one kind of entry.
struct KindPlan {
    StateCall enable;
    StateCall disable;
    StateCall remove;
    // A delete that succeeds is followed by the "删除成功!" box.
    bool confirmsSuccess = false;
    // Whether the switches follow the entry's state; false greys both for entries shown as
    // switched on or off (a kind that has no switched-off form).
    bool switchesByState = true;
};

// A page's plans by entry kind; an entry of a kind without a plan is left alone.
struct KindPlans {
    std::optional<KindPlan> value;
    std::optional<KindPlan> service;
    std::optional<KindPlan> key;
    std::optional<KindPlan> listItem;
    std::optional<KindPlan> other;
    std::optional<KindPlan> startupFile;
    std::optional<KindPlan> cachedTask;

    const std::optional<KindPlan>& For(int32_t entryKind) const;

    // The same plans, but `plan` for value entries.
    constexpr KindPlans WithValues(const KindPlan& plan) const {
        KindPlans plans = *this;
        plans.value = plan;
        return plans;
    }
};

// One plan whatever the entry's kind.
constexpr KindPlans AnyKind(const KindPlan& plan) {
    return {plan, plan, plan, plan, plan, plan, plan};
}

// Which menu items a page offers at all, before the entry's state is looked at.
struct MenuRules {
    bool switches = true;           // "启用该项" and "禁用该项"
    bool deletes = true;            // "删除该项"
    bool locatesInRegistry = true;  // "定位注册表位置"
};

// The messages of the commands: texts and captions exactly as shown.
struct MessageText {
    const wchar_t* text;
    const wchar_t* caption;
};

struct CommandTexts {
    MessageText deleteConfirmation;
    MessageText enableFailure;
    MessageText disableFailure;
    MessageText deleteFailure;
};

constexpr CommandTexts kEntryTexts = {
    {L"删除该项将无法恢复,确定要删除吗?", L"删除确认"},
    {L"启用失败,没有足够的操作权限!", L"启用失败"},
    {L"禁用失败,没有足够的操作权限!", L"禁用失败"},
    {L"删除失败,没有足够的操作权限!", L"失败"},
};
constexpr CommandTexts kTaskTexts = {
    {L"删除该计划任务将无法恢复,确定要删除吗?", L"删除确认"},
    {L"启用任务计划失败!", L"启用失败"},
    {L"禁用任务计划失败!", L"禁用失败"},
    {L"删除失败", L"失败"},
};
constexpr MessageText kDeleteSuccess = {L"删除成功!", L"成功"};

// Which of the six menu items are available for an entry of `state` on the page of
// `categoryId`, in menu order; an entry that starts no file has none to locate or show. The
// switches follow the state where the plan of the entry's kind says so.
std::array<bool, kEntryCommandCount> MenuAvailability(int32_t categoryId,
                                                      int32_t state,
                                                      bool hasFile = true,
                                                      int32_t entryKind = 0);

// What a command does with an entry: the call, and whether a successful delete is confirmed.
struct CommandPlan {
    Operation operation = Operation::None;
    NameField nameField = NameField::Name;
    bool confirmsSuccess = false;
};

// What a switch-on, switch-off or delete does with an entry of `entryKind` on the page of
// `categoryId`.
CommandPlan PlanCommand(int32_t categoryId, EntryCommand command, int32_t entryKind);

// What a switch does with an entry: switching on an entry that Windows' own startup switch
// turned off turns that switch back on; anything else as PlanCommand says.
CommandPlan PlanSwitch(int32_t categoryId, bool enable, const AutoRunEntry& entry);

// Where the entry is after a successful switch: a Startup-folder file has moved.
void TakeSwitchedPlace(AutoRunEntry& entry, bool enable);

// The entry's state after a switch succeeded: one brought back from the store whose switch in
// Windows still says off is live but switched off by Windows.
int32_t StateAfterSwitch(const AutoRunEntry& entry, bool enable);

// Told after such a switch-on: the entry is back, but Windows will not start it yet.
constexpr MessageText kStillOffByWindows = {
    L"已恢复该项，但 Windows 的启动设置仍禁用了它，它不会自动启动。再次选择“启用该项”可让 Windows 启动它。", L"启用"};

// Told when another user's hive, read from its file, cannot be loaded for the change.
constexpr MessageText kUserHiveNotLoaded = {
    L"无法加载该用户的注册表配置单元，未做任何更改。需要以管理员身份运行本程序，且该用户未登录。", L"失败"};

// Told instead of locating an entry of such a hive: the registry editor cannot show it.
constexpr MessageText kUserHiveNotShown = {
    L"该用户未登录，其注册表配置单元未加载，注册表编辑器无法显示此项。配置单元文件：", L"定位注册表位置"};

MessageText DeleteConfirmation(int32_t categoryId);
MessageText EnableFailure(int32_t categoryId);
MessageText DisableFailure(int32_t categoryId);
MessageText DeleteFailure(int32_t categoryId);

// The text of the entry's field.
const std::wstring& FieldOf(const AutoRunEntry& entry, NameField field);

// The text that walks the registry editor's key tree to a key ("\HKEY_...\path\") or to the key
// of a value ("\HKEY_...\path"); nothing when the entry cannot be located or the joined path
// would exceed 259 characters.
std::optional<std::wstring> NavigationText(const std::wstring& keyPath, int32_t locateKind);

// The key the registry editor is walked to: where the entry is now. A value or key switched off
// sits in the store beside its live place.
std::wstring LocatedKeyPath(const AutoRunEntry& entry);

// The value the editor's list is walked to for a value entry: its `valueName`, else (a run-key
// value, whose record names the value only in `name`) its name. Empty leaves the default value.
std::wstring LocatedValueName(const AutoRunEntry& entry);

}  // namespace tarn
