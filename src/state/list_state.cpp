// Items of the list values "Userinit", "Shell" and "AppInit_DLLs": one item moves between the
// live list and the list of the same name in the store. The list that gains the item is always
// written first, so a failure between the two writes leaves the item in both lists. Each list
// keeps its own type, and every byte after its list text (a second string, data after a NUL)
// stays exactly as it was.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/store_name.h"
#include "fileinfo/image_path.h"

#include <algorithm>

namespace tarn {

namespace {

// Rebuilt list texts must fit the 8000-unit working buffers with their terminator.
constexpr std::size_t kMaxListTextLength = 7999;

// A list value cut into the list text (up to the first NUL) and the bytes after it.
struct ListParts {
    DWORD type = REG_SZ;
    std::wstring text;
    std::vector<BYTE> tail;
};

ListParts PartsOf(const RegValue& value) {
    ListParts parts;
    parts.type = value.type;
    parts.text = TextOf(value);
    const std::size_t textBytes = std::min(parts.text.size() * sizeof(wchar_t), value.bytes.size());
    parts.tail.assign(value.bytes.begin() + static_cast<std::ptrdiff_t>(textBytes), value.bytes.end());
    return parts;
}

// A list that does not exist yet: its text ends in a terminator (two for a multi-string).
ListParts NewList(DWORD type) {
    ListParts parts;
    parts.type = type;
    parts.tail.assign(type == REG_MULTI_SZ ? 2 * sizeof(wchar_t) : sizeof(wchar_t), 0);
    return parts;
}

// An emptied list goes only when nothing but terminators follows its text.
bool OnlyTerminators(const ListParts& parts) {
    return std::all_of(parts.tail.begin(), parts.tail.end(), [](BYTE b) { return b == 0; });
}

RegValue ValueOf(const std::wstring& name, const ListParts& parts, const std::wstring& text) {
    RegValue value;
    value.name = name;
    value.type = parts.type;
    for (wchar_t c : text) {
        value.bytes.push_back(static_cast<BYTE>(static_cast<uint16_t>(c) & 0xFF));
        value.bytes.push_back(static_cast<BYTE>((static_cast<uint16_t>(c) >> 8) & 0xFF));
    }
    value.bytes.insert(value.bytes.end(), parts.tail.begin(), parts.tail.end());
    return value;
}

// The list text of a value below `root` that only feeds the in-memory lists; "" when it cannot
// be read.
std::wstring ReadOtherListText(HKEY root, const std::wstring& path, const std::wstring& valueName) {
    RegKey key;
    if (!key.OpenRead(root, path)) {
        return {};
    }
    const auto value = FindValue(key, valueName);
    return value.found() ? TextOf(value.item) : std::wstring();
}

// The position of an item: by its text (without regard to case), else by the path it resolves
// to, since entries carry the resolved path of their item.
std::optional<std::size_t> FindItem(const std::vector<std::wstring>& items, const std::wstring& itemText) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SameRegistryName(items[i], itemText)) {
            return i;
        }
    }
    // A list of the 32-bit view names files as a 32-bit process finds them.
    for (const RegistryView view : kBothViews) {
        if (view == RegistryView::Wow32 && !kTwoRegistryViews) {
            break;
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            AutoRunEntry resolved;
            if (ResolveImagePath(&resolved, items[i], view) && SameRegistryName(resolved.imagePath, itemText)) {
                return i;
            }
        }
    }
    return std::nullopt;
}

bool FitsBuffer(const std::wstring& text) {
    return text.size() <= kMaxListTextLength;
}

}  // namespace

const ListItemLists& CAutoRunStateChanges::ListsOf(const std::wstring& valueName) {
    return ListsFor(valueName);
}

ListItemLists& CAutoRunStateChanges::ListsFor(const std::wstring& valueName) {
    return lists_[FoldRegistryName(valueName)];
}

void CAutoRunStateChanges::ParseListValue(const std::wstring& valueName, const std::wstring& text) {
    ListItemLists& lists = ListsFor(valueName);
    lists.itemRecords.clear();
    lists.activeItems.clear();
    const auto items = SplitListItems(text, ListSyntaxFor(valueName).value_or(ListSyntax::Userinit));
    for (std::size_t i = 0; i < items.size(); ++i) {
        lists.itemRecords.push_back({static_cast<int32_t>(i), valueName, items[i], EntryEnabled});
        lists.activeItems.push_back(items[i]);
    }
}

ListItemLists& CAutoRunStateChanges::RebuildLists(const std::wstring& valueName,
                                                  ListSyntax syntax,
                                                  const std::wstring& liveText,
                                                  const std::wstring& storedText) {
    ParseListValue(valueName, liveText);
    ListItemLists& lists = ListsFor(valueName);
    lists.storedItems = SplitListItems(storedText, syntax);
    return lists;
}

int32_t CAutoRunStateChanges::DisableListItem(const std::wstring& keyText,
                                              const std::wstring& valueName,
                                              const std::wstring& itemText,
                                              int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    const auto syntax = ListSyntaxFor(valueName);
    RegKey liveKey;
    if (!place || !syntax || !liveKey.OpenWrite(place->root, place->key)) {
        return 0;
    }
    const auto live = FindValue(liveKey, valueName);
    if (!live.found()) {
        return 0;
    }
    const ListParts liveParts = PartsOf(live.item);
    RegKey store;
    bool createdStore = false;
    if (!OpenOwnStore(store, *place, true, &createdStore)) {
        return 0;
    }
    auto fail = [&] {
        store.Close();
        if (createdStore) {
            DeleteStoreIfEmpty(*place);
        }
        return 0;
    };
    // The stored list is read through the store itself, so that no failed look-up passes for an
    // absent list and a stored list is never replaced by a new one.
    const auto stored = FindValue(store, live.item.name);
    if (stored.failed()) {
        return fail();
    }
    const ListParts storeParts = stored.found() ? PartsOf(stored.item) : NewList(liveParts.type);
    const std::wstring storeName = stored.found() ? stored.item.name : live.item.name;

    ListItemLists& lists = RebuildLists(live.item.name, *syntax, liveParts.text, storeParts.text);
    const auto index = FindItem(lists.activeItems, itemText);
    if (!index) {
        return fail();
    }
    lists.storedItems.push_back(lists.activeItems[*index]);
    lists.activeItems.erase(lists.activeItems.begin() + static_cast<std::ptrdiff_t>(*index));
    lists.itemRecords.erase(lists.itemRecords.begin() + static_cast<std::ptrdiff_t>(*index));
    const std::wstring newStored = JoinListItems(lists.storedItems, *syntax);
    const std::wstring newLive = JoinListItems(lists.activeItems, *syntax);
    if (!FitsBuffer(newStored) || !FitsBuffer(newLive) ||
        !WriteVerifiedValue(store, ValueOf(storeName, storeParts, newStored))) {
        return fail();
    }
    if (lists.activeItems.empty() && OnlyTerminators(liveParts)) {
        return liveKey.DeleteValue(live.item.name) ? 1 : 0;
    }
    return WriteVerifiedValue(liveKey, ValueOf(live.item.name, liveParts, newLive)) ? 1 : 0;
}

int32_t CAutoRunStateChanges::EnableListItem(const std::wstring& keyText,
                                             const std::wstring& valueName,
                                             const std::wstring& itemText,
                                             int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    const auto syntax = ListSyntaxFor(valueName);
    RegKey store;
    if (!place || !syntax || !OpenOwnStore(store, *place, false)) {
        return 0;
    }
    const auto stored = FindValue(store, valueName);
    RegKey live;
    if (!stored.found() || !live.OpenWrite(place->root, place->key)) {
        return 0;
    }
    const ListParts storeParts = PartsOf(stored.item);
    const auto current = FindValue(live, stored.item.name);
    if (current.failed()) {
        return 0;
    }
    const ListParts liveParts = current.found() ? PartsOf(current.item) : NewList(storeParts.type);
    const std::wstring liveName = current.found() ? current.item.name : stored.item.name;

    ListItemLists& lists = RebuildLists(liveName, *syntax, liveParts.text, storeParts.text);
    const auto index = FindItem(lists.storedItems, itemText);
    if (!index) {
        return 0;
    }
    lists.activeItems.push_back(lists.storedItems[*index]);
    lists.storedItems.erase(lists.storedItems.begin() + static_cast<std::ptrdiff_t>(*index));
    const std::wstring newLive = JoinListItems(lists.activeItems, *syntax);
    const std::wstring newStored = JoinListItems(lists.storedItems, *syntax);
    if (!FitsBuffer(newLive) || !FitsBuffer(newStored) ||
        !WriteVerifiedValue(live, ValueOf(liveName, liveParts, newLive))) {
        return 0;
    }
    if (!lists.storedItems.empty() || !OnlyTerminators(storeParts)) {
        return WriteVerifiedValue(store, ValueOf(stored.item.name, storeParts, newStored)) ? 1 : 0;
    }
    if (!store.DeleteValue(stored.item.name)) {
        return 0;
    }
    store.Close();
    return DeleteStoreIfEmpty(*place) != StoreCleanup::Failed ? 1 : 0;
}

int32_t CAutoRunStateChanges::DeleteListItem(const std::wstring& keyPath,
                                             const std::wstring& valueName,
                                             const std::wstring& itemText,
                                             int32_t kind,
                                             int32_t state) {
    // The entry's key path names the key that holds the list value; nothing is stripped.
    const auto place = PlaceOf(keyPath, kind == KindListItem ? KindValue : kind);
    const auto syntax = ListSyntaxFor(valueName);
    if (!place || !syntax) {
        return 0;
    }
    const bool inStore = state == EntryDisabled;
    if (!inStore && state != EntryEnabled && state != EntryFileMissing) {
        return 0;
    }
    RegKey key;
    if (!OpenPlaceKey(key, *place, inStore ? PlaceKey::OwnStore : PlaceKey::LiveForWriting)) {
        return 0;
    }
    const auto value = FindValue(key, valueName);
    if (!value.found()) {
        return 0;
    }
    const ListParts parts = PartsOf(value.item);
    const std::wstring otherText = ReadOtherListText(place->root, inStore ? place->key : place->store, value.item.name);
    ListItemLists& lists = inStore ? RebuildLists(value.item.name, *syntax, otherText, parts.text)
                                   : RebuildLists(value.item.name, *syntax, parts.text, otherText);
    std::vector<std::wstring>& items = inStore ? lists.storedItems : lists.activeItems;
    const auto index = FindItem(items, itemText);
    if (!index) {
        return 0;
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(*index));
    if (!inStore) {
        lists.itemRecords.erase(lists.itemRecords.begin() + static_cast<std::ptrdiff_t>(*index));
    }
    if (!items.empty() || !OnlyTerminators(parts)) {
        const std::wstring text = JoinListItems(items, *syntax);
        return FitsBuffer(text) && WriteVerifiedValue(key, ValueOf(value.item.name, parts, text)) ? 1 : 0;
    }
    // A delete that reports a failure may have been made all the same: the registry tells.
    if (!key.DeleteValue(value.item.name) && !FindValue(key, value.item.name).absent()) {
        return 0;
    }
    if (inStore) {
        key.Close();
        DeleteStoreIfEmpty(*place);
    }
    return 1;
}

}  // namespace tarn
