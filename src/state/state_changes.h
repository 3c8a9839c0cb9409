#pragma once

#include "base/autorun_entry.h"
#include "base/list_value.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"
#include "state/registry_tree.h"
#include "state/state_support.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The in-memory lists of one list value ("Userinit", "Shell", "AppInit_DLLs"), rebuilt from the
// registry at the start of every list-item operation.
struct ListItemLists {
    std::vector<ListItem> itemRecords;
    std::vector<std::wstring> activeItems;
    std::vector<std::wstring> storedItems;
};

// Switching registrations off and on and deleting them. A switch-off moves the registration into
// the "TarnAutoRunDisable" store beside it, a switch-on moves it back; at every moment the
// registration exists whole in its live place or in its store. Every operation opens the keys it
// needs itself, hands them to its helpers, and answers non-zero for success.
// Where deleted WMI bindings are kept: "<system root>\\System32\\wbem\\TarnAutoRunDisable".
std::wstring KeptWmiCopyFolder();

class CAutoRunStateChanges {
public:
    CAutoRunStateChanges() = default;
    virtual ~CAutoRunStateChanges() = default;
    CAutoRunStateChanges(const CAutoRunStateChanges&) = delete;
    CAutoRunStateChanges& operator=(const CAutoRunStateChanges&) = delete;

    // Value entries: `keyText` is the live key's text, `valueName` the value.
    virtual int32_t DisableValue(const std::wstring& keyText, const std::wstring& valueName, int32_t kind);
    virtual int32_t EnableValue(const std::wstring& keyText, const std::wstring& valueName, int32_t kind);

    // Services and drivers, always below HKEY_LOCAL_MACHINE.
    virtual int32_t DisableService(const std::wstring& keyText, const std::wstring& serviceName, int32_t kind);
    virtual int32_t EnableService(const std::wstring& keyText, const std::wstring& serviceName, int32_t kind);
    virtual int32_t DeleteService(const std::wstring& keyText, const std::wstring& serviceName, int32_t kind);

    // Key entries: one level (values only; the key must have no subkeys) or the whole tree.
    virtual int32_t DisableKey(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind);
    virtual int32_t EnableKey(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind);
    virtual int32_t DisableKeyTree(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind);
    virtual int32_t EnableKeyTree(const std::wstring& keyText, const std::wstring& subKeyName, int32_t kind);
    virtual int32_t DeleteKeyTreeEntry(const std::wstring& keyText,
                                       const std::wstring& subKeyName,
                                       int32_t kind,
                                       int32_t state);

    // Scheduled tasks.
    virtual int32_t DisableTask(const std::wstring& name);
    virtual int32_t EnableTask(const std::wstring& name);
    virtual int32_t DeleteTask(const std::wstring& name);

    // Items of a list value: `itemText` is the entry's image path.
    virtual int32_t DisableListItem(const std::wstring& keyText,
                                    const std::wstring& valueName,
                                    const std::wstring& itemText,
                                    int32_t kind);
    virtual int32_t EnableListItem(const std::wstring& keyText,
                                   const std::wstring& valueName,
                                   const std::wstring& itemText,
                                   int32_t kind);
    virtual int32_t DeleteListItem(const std::wstring& keyPath,
                                   const std::wstring& valueName,
                                   const std::wstring& itemText,
                                   int32_t kind,
                                   int32_t state);

    virtual int32_t DeleteValueEntry(const std::wstring& keyText,
                                     const std::wstring& valueName,
                                     int32_t kind,
                                     int32_t state);
    virtual int32_t DeleteKeyEntry(const std::wstring& keyText,
                                   const std::wstring& subKeyName,
                                   int32_t kind,
                                   int32_t state);

    // Shortcuts have no switched-off form.
    virtual int32_t DisableShortcut(const std::wstring& entryText);
    virtual int32_t EnableShortcut(const std::wstring& entryText);
    // Deleting a shortcut file: true when it is gone (also when it was gone already).
    virtual int32_t DeleteShortcut(const std::wstring& path);
    // A file right in a Startup folder, moved whole into the folder's "TarnAutoRunDisable"
    // subfolder and back; refused, with nothing changed, when the name is taken at the other end
    // or the subfolder is a link.
    virtual int32_t DisableStartupFile(const std::wstring& path);
    virtual int32_t EnableStartupFile(const std::wstring& storedPath);

    // A WMI filter-to-consumer binding at `bindingPath` in the namespace `ns`: kept as MOF text in a
    // new file below KeptWmiCopyFolder() first, then deleted, with its filter and consumer where no
    // other binding uses them; nothing is deleted when the copy cannot be written.
    virtual int32_t DeleteWmiBinding(const std::wstring& ns, const std::wstring& bindingPath);

    // A task of the scheduler's registry cache: its key in the cache's tree of folders
    // (`treeKeyText`, "HKLM\…\TaskCache\Tree\…") and its definition ("…\Tasks\<id>") are each
    // copied whole into the cache's store ("…\TaskCache\TarnAutoRunDisable\Tree\…", "…\Tasks\<id>",
    // " (2)"… when the name is taken) and only then deleted; nothing is deleted when a copy fails.
    virtual int32_t DeleteCachedTask(const std::wstring& treeKeyText, const std::wstring& id);

    // Windows' own startup switch: `approvalKey` is the key text of the list that holds the
    // entry's switch value `name`. Switching on writes the value's "on" form and changes nothing
    // else; an entry with no switch value, or one that says on, is on already.
    virtual int32_t EnableStartupApproval(const std::wstring& approvalKey, const std::wstring& name);
    // Deletes a value entry or a shortcut file together with its switch value: the entry only
    // when the switch value can go too, and put back should it not go after all.
    virtual int32_t DeleteApprovedValueEntry(const std::wstring& keyText,
                                             const std::wstring& valueName,
                                             int32_t kind,
                                             int32_t state,
                                             const std::wstring& approvalKey);
    virtual int32_t DeleteApprovedShortcut(const std::wstring& path,
                                           const std::wstring& approvalKey,
                                           const std::wstring& name);

    // The lists of one list value as the last operation on it left them.
    const ListItemLists& ListsOf(const std::wstring& valueName);

    // Splits a list value's text into its records and active items.
    void ParseListValue(const std::wstring& valueName, const std::wstring& text);

private:
    using Place = EntryPlace;
    static std::optional<Place> PlaceOf(const std::wstring& keyText, int32_t kind) {
        return EntryPlaceOf(keyText, kind);
    }
    // Where a delete works: the live key for states 16, 18 and 29, the store for 17 (when it is
    // K's own), nowhere else.
    static std::optional<std::wstring> PathForState(const std::optional<Place>& place, int32_t state);
    // The skeleton of the deletes: `deleteNamed(root, path, name)` where the entry's state says it
    // is; 0 when there is no such place.
    template <typename DeleteNamed>
    static int32_t DeleteWhereTheStateSays(const std::wstring& keyText,
                                           int32_t kind,
                                           int32_t state,
                                           const std::wstring& name,
                                           DeleteNamed deleteNamed) {
        const auto place = PlaceOf(keyText, kind);
        const auto path = PathForState(place, state);
        return path && deleteNamed(place->root, *path, name) ? 1 : 0;
    }

    // Opens the switch list of `approvalKey` for changing it and finds `name` in it: nothing
    // when the list cannot be had or searched; an absent value (or list) is no obstacle.
    static std::optional<Lookup<RegValue>> FindApproval(RegKey& list,
                                                        const std::wstring& approvalKey,
                                                        const std::wstring& name);

    // Values: the live key (or the store) open in `from`.
    static bool MoveValueToStore(const Place& place, RegKey& from, const RegValue& value);
    static bool RestoreValueFromStore(const Place& place, RegKey& from, const RegValue& value);
    static bool DeleteNamedValue(HKEY root, const std::wstring& path, const std::wstring& valueName);

    // Services: "Start" and the kept value, read with the service key open in `service`.
    struct ServiceStart {
        RegValue start;
        Lookup<RegValue> kept;
    };
    static std::optional<ServiceStart> OpenServiceStart(RegKey& service,
                                                        const std::wstring& keyText,
                                                        const std::wstring& serviceName,
                                                        int32_t kind);
    static bool SaveServiceStart(RegKey& service, const RegValue& start);
    static bool RestoreServiceStart(RegKey& service, const RegValue& start, const RegValue& kept);

    // Keys.
    static bool MoveKey(const Place& place,
                        const std::wstring& from,
                        const std::wstring& to,
                        const std::wstring& name,
                        bool oneLevel,
                        bool toStore);
    static bool DeleteTree(HKEY root, const std::wstring& path, const std::wstring& subKeyName);
    static bool DeleteNamedSubKey(HKEY root, const std::wstring& path, const std::wstring& subKeyName);

    // List items.
    ListItemLists& ListsFor(const std::wstring& valueName);
    ListItemLists& RebuildLists(const std::wstring& valueName,
                                ListSyntax syntax,
                                const std::wstring& liveText,
                                const std::wstring& storedText);

    std::map<std::wstring, ListItemLists> lists_;
};

}  // namespace tarn
