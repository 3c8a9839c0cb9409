#include "pages/state_calls.h"

#include "base/list_value.h"

#include <array>

namespace tarn {

namespace {

using Call = int32_t (*)(CAutoRunStateChanges& c, const std::wstring& name, const AutoRunEntry& e);

// The state that tells a delete where the entry is: one found in its store whose file is missing
// is still in the store (a live value of its name is another registration).
int32_t PlaceState(const AutoRunEntry& e) {
    return e.state == EntryFileMissing && e.inStore ? EntryDisabled : e.state;
}

// The item a list entry stands for: the session manager's and the LSA's lists name theirs by its
// own text, the others by the file it resolved to.
const std::wstring& ItemOf(const AutoRunEntry& e) {
    const auto syntax = ListSyntaxFor(e.valueName);
    return syntax == ListSyntax::MultiString || syntax == ListSyntax::Comma ? e.commandLine : e.imagePath;
}

int32_t Nothing(CAutoRunStateChanges&, const std::wstring&, const AutoRunEntry&) {
    return 0;
}

// In the order of Operation. The key text is the entry's `location`, except that a list item is
// deleted through the key that holds its list (`keyPath`). An entry that Windows' startup switch
// governs goes together with its switch value.
const std::array<Call, 28> kCalls = {
    Nothing,
    Nothing,
    [](auto& c, auto& n, auto& e) { return c.EnableValue(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DisableValue(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) {
        return e.approvalKey.empty()
                   ? c.DeleteValueEntry(e.location, n, e.entryKind, PlaceState(e))
                   : c.DeleteApprovedValueEntry(e.location, n, e.entryKind, PlaceState(e), e.approvalKey);
    },
    [](auto& c, auto& n, auto& e) { return c.EnableService(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DisableService(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DeleteService(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.EnableKey(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DisableKey(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DeleteKeyEntry(e.location, n, e.entryKind, PlaceState(e)); },
    [](auto& c, auto& n, auto& e) { return c.EnableKeyTree(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DisableKeyTree(e.location, n, e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DeleteKeyTreeEntry(e.location, n, e.entryKind, PlaceState(e)); },
    [](auto& c, auto& n, auto&) { return c.EnableTask(n); },
    [](auto& c, auto& n, auto&) { return c.DisableTask(n); },
    [](auto& c, auto& n, auto&) { return c.DeleteTask(n); },
    [](auto& c, auto& n, auto& e) { return c.EnableListItem(e.location, n, ItemOf(e), e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DisableListItem(e.location, n, ItemOf(e), e.entryKind); },
    [](auto& c, auto& n, auto& e) { return c.DeleteListItem(e.keyPath, n, ItemOf(e), e.entryKind, PlaceState(e)); },
    [](auto& c, auto& n, auto&) { return c.EnableShortcut(n); },
    [](auto& c, auto& n, auto&) { return c.DisableShortcut(n); },
    [](auto& c, auto& n, auto& e) {
        return e.approvalKey.empty() ? c.DeleteShortcut(n) : c.DeleteApprovedShortcut(n, e.approvalKey, e.name);
    },
    [](auto& c, auto& n, auto& e) { return c.EnableStartupApproval(e.approvalKey, n); },
    [](auto& c, auto& n, auto&) { return c.EnableStartupFile(n); },
    [](auto& c, auto& n, auto&) { return c.DisableStartupFile(n); },
    [](auto& c, auto& n, auto& e) { return c.DeleteWmiBinding(e.keyPath, n); },
    [](auto& c, auto& n, auto& e) { return c.DeleteCachedTask(n, e.valueName); },
};
static_assert(static_cast<std::size_t>(Operation::DeleteCachedTask) + 1 == 28, "one call per operation");

}  // namespace

int32_t RunStateCall(CAutoRunStateChanges& changes, const StateCall& call, const AutoRunEntry& entry) {
    return kCalls[static_cast<std::size_t>(call.operation)](changes, FieldOf(entry, call.nameField), entry);
}

}  // namespace tarn
