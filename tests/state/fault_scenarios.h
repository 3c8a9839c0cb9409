#pragma once

// Starting states, operations and expected final states for the fault-injection test.

#include "base/list_value.h"
#include "state/state_changes.h"
#include "support/registry_dump.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarn::test {

// One change a clean run makes, applied to the starting dump to get the expected final dump.
// Store keys that a run creates take their traits from the actual final dump.
using Edit = std::function<void(RegistryDump& expected, const RegistryDump& actual)>;

Edit MoveValue(const std::wstring& fromKey, const std::wstring& toKey, const std::wstring& name);
Edit SetValue(const std::wstring& key, const std::wstring& name, DWORD type, std::vector<BYTE> bytes);
Edit RemoveValue(const std::wstring& key, const std::wstring& name);
Edit MoveKey(const std::wstring& from, const std::wstring& to);
Edit RemoveKey(const std::wstring& path);

enum class Outcome { Moves, Deletes, Refused };

// A list value whose items are watched: none may disappear (but `deletedItem`) or appear.
struct ListWatch {
    std::wstring key;  // the key holding the live list, as a dump path
    std::wstring valueName;
    ListSyntax syntax;
    std::wstring deletedItem;
};

struct Scenario {
    std::string name;
    const char* operation;
    std::function<void()> setup;
    std::function<int32_t(CAutoRunStateChanges&)> run;
    Outcome outcome;
    std::vector<Edit> edits;
    std::optional<ListWatch> list = {};
    // Values that carry no registration (a stale kept start type), as dump path and name.
    std::vector<std::pair<std::wstring, std::wstring>> notRegistrations = {};
    // Values that go together: when the registry fails once, either all of the operation's
    // changes are made or none.
    bool together = false;
};

std::vector<Scenario> FaultScenarios();

// UTF-16 bytes of a text, without terminator.
std::vector<BYTE> Utf16(const std::wstring& text);
std::vector<BYTE> Concat(std::vector<BYTE> a, const std::vector<BYTE>& b);
std::vector<BYTE> Zeros(std::size_t count);

}  // namespace tarn::test
