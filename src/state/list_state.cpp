// Items of the list values "Userinit", "Shell" and "AppInit_DLLs": one item moves between the
// live list and the list of the same name in the store. The list that gains the item is always
// written first, so a failure between the two writes leaves the item in both lists.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "fileinfo/image_path.h"
#include "model/autorun_base.h"
#include "model/key_text.h"
#include "model/list_value.h"
#include "model/registry_data.h"


namespace tarn {

namespace {

// Rebuilt list texts must fit the 8000-unit working buffers with their terminator.
constexpr std::size_t kMaxListTextLength = 7999;

std::wstring TextOf(const StoredValue& value) {
    return Utf16TextFromBytes(value.bytes.data(), value.bytes.size());
}

// A list value holding `text` with its terminator, of the given type.
StoredValue ListValue(const std::wstring& name, DWORD type, const std::wstring& text) {
    StoredValue value;
    value.name = name;
    value.type = type;
    for (wchar_t c : text) {
        value.bytes.push_back(static_cast<BYTE>(static_cast<uint16_t>(c) & 0xFF));
        value.bytes.push_back(static_cast<BYTE>((static_cast<uint16_t>(c) >> 8) & 0xFF));
    }
    value.bytes.push_back(0);
    value.bytes.push_back(0);
    return value;
}

// The text of a list value below `root`; "" when the key or the value does not exist, nothing
// when it exists but cannot be read (then the list must not be rewritten from a guess).
std::optional<std::wstring> ReadListText(HKEY root, const std::wstring& path, const std::wstring& valueName) {
    RegKey key;
    if (!key.OpenRead(root, path)) {
        return key.status() == ERROR_FILE_NOT_FOUND ? std::optional<std::wstring>(L"") : std::nullopt;
    }
    LONG code = ERROR_SUCCESS;
    const auto value = ReadStoredValue(key, valueName, &code);
    if (value) {
        return TextOf(*value);
    }
    return code == ERROR_FILE_NOT_FOUND ? std::optional<std::wstring>(L"") : std::nullopt;
}

// The position of an item: by its text (without regard to case), else by the path it resolves
// to, since entries carry the resolved path of their item.
std::optional<std::size_t> FindItem(const std::vector<std::wstring>& items, const std::wstring& itemText) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SameRegistryName(items[i], itemText)) {
            return i;
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        AutoRunEntry resolved;
        if (ResolveImagePath(&resolved, items[i]) && SameRegistryName(resolved.imagePath, itemText)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

const ListItemLists& CAutoRunStateChanges::ListsOf(const std::wstring& valueName) {
    return ListsFor(valueName);
}

ListItemLists& CAutoRunStateChanges::ListsFor(const std::wstring& valueName) {
    return lists_[LowerAscii(valueName)];
}

void CAutoRunStateChanges::ParseListValue(const std::wstring& valueName, const std::wstring& text) {
    ListItemLists& lists = ListsFor(valueName);
    lists.itemRecords.clear();
    lists.activeItems.clear();
    const wchar_t separator = ListSeparatorFor(valueName).value_or(L',');
    const auto items = SplitListItems(text, separator);
    for (std::size_t i = 0; i < items.size(); ++i) {
        lists.itemRecords.push_back({static_cast<int32_t>(i), valueName, items[i], EntryEnabled});
        lists.activeItems.push_back(items[i]);
    }
}

ListItemLists& CAutoRunStateChanges::RebuildLists(const std::wstring& valueName, const std::wstring& liveText,
                                                  const std::wstring& storedText) {
    ParseListValue(valueName, liveText);
    ListItemLists& lists = ListsFor(valueName);
    lists.storedItems = SplitListItems(storedText, ListSeparatorFor(valueName).value_or(L','));
    return lists;
}

int32_t CAutoRunStateChanges::DisableListItem(const std::wstring& keyText, const std::wstring& valueName,
                                              const std::wstring& itemText, int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    const auto separator = ListSeparatorFor(valueName);
    if (!place || !separator || !workingKey.OpenWrite(place->root, place->key)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindValue(workingKey, valueName);
    const auto live = name ? ReadStoredValue(workingKey, *name) : std::nullopt;
    const auto storedText = live ? ReadListText(place->root, place->store, *name) : std::nullopt;
    if (!storedText) {
        return 0;
    }
    ListItemLists& lists = RebuildLists(*name, TextOf(*live), *storedText);
    const auto index = FindItem(lists.activeItems, itemText);
    if (!index) {
        return 0;
    }
    lists.storedItems.push_back(lists.activeItems[*index]);
    lists.activeItems.erase(lists.activeItems.begin() + static_cast<std::ptrdiff_t>(*index));
    lists.itemRecords.erase(lists.itemRecords.begin() + static_cast<std::ptrdiff_t>(*index));
    const std::wstring newStored = JoinListItems(lists.storedItems, *separator);
    const std::wstring newLive = JoinListItems(lists.activeItems, *separator);
    if (newStored.size() > kMaxListTextLength || newLive.size() > kMaxListTextLength) {
        return 0;
    }

    RegKey store;
    const bool storeExisted = store.OpenWrite(place->root, place->store);
    if (!storeExisted && !store.Create(place->root, place->store)) {
        return 0;
    }
    if (!WriteVerifiedValue(store, ListValue(*name, live->type, newStored))) {
        store.Close();
        if (!storeExisted) {
            DeleteStoreIfEmpty(place->root, place->key, place->store);
        }
        return 0;
    }
    if (lists.activeItems.empty()) {
        return workingKey.DeleteValue(*name) ? 1 : 0;
    }
    return WriteVerifiedValue(workingKey, ListValue(*name, live->type, newLive)) ? 1 : 0;
}

int32_t CAutoRunStateChanges::EnableListItem(const std::wstring& keyText, const std::wstring& valueName,
                                             const std::wstring& itemText, int32_t kind) {
    const auto place = PlaceOf(keyText, kind);
    const auto separator = ListSeparatorFor(valueName);
    if (!place || !separator || !workingKey.OpenWrite(place->root, place->store)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindValue(workingKey, valueName);
    const auto stored = name ? ReadStoredValue(workingKey, *name) : std::nullopt;
    const auto liveText = stored ? ReadListText(place->root, place->key, *name) : std::nullopt;
    if (!liveText) {
        return 0;
    }
    ListItemLists& lists = RebuildLists(*name, *liveText, TextOf(*stored));
    const auto index = FindItem(lists.storedItems, itemText);
    if (!index) {
        return 0;
    }
    lists.activeItems.push_back(lists.storedItems[*index]);
    lists.storedItems.erase(lists.storedItems.begin() + static_cast<std::ptrdiff_t>(*index));
    const std::wstring newLive = JoinListItems(lists.activeItems, *separator);
    const std::wstring newStored = JoinListItems(lists.storedItems, *separator);
    if (newLive.size() > kMaxListTextLength || newStored.size() > kMaxListTextLength) {
        return 0;
    }

    RegKey live;
    if (!live.OpenWrite(place->root, place->key) ||
        !WriteVerifiedValue(live, ListValue(*name, stored->type, newLive))) {
        return 0;
    }
    if (!lists.storedItems.empty()) {
        return WriteVerifiedValue(workingKey, ListValue(*name, stored->type, newStored)) ? 1 : 0;
    }
    if (!workingKey.DeleteValue(*name)) {
        return 0;
    }
    workingKey.Close();
    return DeleteStoreIfEmpty(place->root, place->key, place->store) != StoreCleanup::Failed ? 1 : 0;
}

int32_t CAutoRunStateChanges::DeleteListItem(const std::wstring& keyPath, const std::wstring& valueName,
                                             const std::wstring& itemText, int32_t kind, int32_t state) {
    // The entry's key path names the key that holds the list value; nothing is stripped.
    const auto place = PlaceOf(keyPath, kind == KindListItem ? KindValue : kind);
    const auto separator = ListSeparatorFor(valueName);
    if (!place || !separator) {
        return 0;
    }
    const bool inStore = state == EntryDisabled;
    if (!inStore && state != EntryEnabled && state != EntryFileMissing) {
        return 0;
    }
    const std::wstring& path = inStore ? place->store : place->key;
    if (!workingKey.OpenWrite(place->root, path)) {
        return 0;
    }
    const CloseOnExit closer(workingKey);
    const auto name = FindValue(workingKey, valueName);
    const auto value = name ? ReadStoredValue(workingKey, *name) : std::nullopt;
    if (!value) {
        return 0;
    }
    const std::wstring otherText =
        ReadListText(place->root, inStore ? place->key : place->store, *name).value_or(L"");
    ListItemLists& lists = inStore ? RebuildLists(*name, otherText, TextOf(*value))
                                   : RebuildLists(*name, TextOf(*value), otherText);
    std::vector<std::wstring>& items = inStore ? lists.storedItems : lists.activeItems;
    const auto index = FindItem(items, itemText);
    if (!index) {
        return 0;
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(*index));
    if (!inStore) {
        lists.itemRecords.erase(lists.itemRecords.begin() + static_cast<std::ptrdiff_t>(*index));
    }
    if (!items.empty()) {
        const std::wstring text = JoinListItems(items, *separator);
        return text.size() <= kMaxListTextLength && WriteVerifiedValue(workingKey, ListValue(*name, value->type, text))
                   ? 1
                   : 0;
    }
    if (!workingKey.DeleteValue(*name)) {
        return 0;
    }
    if (inStore) {
        workingKey.Close();
        DeleteStoreIfEmpty(place->root, place->key, place->store);
    }
    return 1;
}

}  // namespace tarn
