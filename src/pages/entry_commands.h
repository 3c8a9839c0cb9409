#pragma once

// What a page's context menu offers and what each of its commands calls, by category and entry.
// Pure logic, tested without Windows.

#include "model/autorun_entry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

enum class EntryCommand { Enable, Disable, Delete, LocateRegistry, LocateFile, Properties };

constexpr std::size_t kEntryCommandCount = 6;

// Which of the six menu items are available for an entry of `state` on the page of
// `categoryId`, in menu order.
std::array<bool, kEntryCommandCount> MenuAvailability(int32_t categoryId, int32_t state);

// The state-change operation a command calls on an entry, with the argument choices that vary.
enum class Operation {
    None,  // the entry's kind is left alone: nothing is called and nothing is shown
    Ignored,  // the page does not support the command
    EnableValue, DisableValue, DeleteValueEntry,
    EnableService, DisableService, DeleteService,
    EnableKey, DisableKey, DeleteKeyEntry,
    EnableKeyTree, DisableKeyTree, DeleteKeyTreeEntry,
    EnableTask, DisableTask, DeleteTask,
    EnableListItem, DisableListItem, DeleteListItem,
    EnableShortcut, DisableShortcut, DeleteShortcut,
};

// Which field of the entry names the value or subkey where the page table leaves a choice.
enum class NameField { Name, ValueName, SubKeyName };

struct CommandPlan {
    Operation operation = Operation::None;
    NameField nameField = NameField::Name;
    // A delete that succeeds is followed by the "删除成功!" box.
    bool confirmsSuccess = false;
};

// What a switch-on, switch-off or delete does with an entry of `entryKind` on the page of
// `categoryId`.
CommandPlan PlanCommand(int32_t categoryId, EntryCommand command, int32_t entryKind);

// The messages of the commands: texts and captions exactly as shown.
struct MessageText {
    const wchar_t* text;
    const wchar_t* caption;
};
MessageText DeleteConfirmation(int32_t categoryId);
MessageText EnableFailure(int32_t categoryId);
MessageText DisableFailure(int32_t categoryId);
MessageText DeleteFailure(int32_t categoryId);
constexpr MessageText kDeleteSuccess = {L"删除成功!", L"成功"};

// The text that walks the registry editor's key tree to a key ("\HKEY_...\path\") or to the key
// of a value ("\HKEY_...\path"); nothing when the entry cannot be located or the joined path
// would exceed 259 characters.
std::optional<std::wstring> NavigationText(const std::wstring& keyPath, int32_t locateKind);

// The value the editor's list is walked to for a value entry: its `valueName`, else (a run-key
// value, whose record names the value only in `name`) its name. Empty leaves the default value.
std::wstring LocatedValueName(const AutoRunEntry& entry);

}  // namespace tarn
