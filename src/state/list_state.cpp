// Items of the list values "Userinit", "Shell" and "AppInit_DLLs": one item moves between the
// live list and the list of the same name in the store. The list that gains the item is always
// written first, so a failure between the two writes leaves the item in both lists. Each list
// keeps its own type, and every byte after its list text (a second string, data after a NUL)
// stays exactly as it was.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/registry_data.h"
#include "base/store_name.h"
#include "fileinfo/image_path.h"

#include <algorithm>
#include <cstdint>
#include <string>

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

ListParts PartsOf(const RegValue& value, ListSyntax syntax) {
    ListParts parts;
    parts.type = value.type;
    parts.text = ListTextOf(Utf16UnitsFromBytes(value.bytes.data(), value.bytes.size()), syntax);
    const std::size_t textBytes = std::min(parts.text.size() * sizeof(wchar_t), value.bytes.size());
    parts.tail.assign(value.bytes.begin() + static_cast<std::ptrdiff_t>(textBytes), value.bytes.end());
    return parts;
}

// A list that does not exist yet: its text ends in a terminator (two for a multi-string, whose
// text holds the NUL of each string).
ListParts NewList(DWORD type, ListSyntax syntax) {
    ListParts parts;
    parts.type = type;
    const std::size_t nuls = type == REG_MULTI_SZ && syntax != ListSyntax::MultiString ? 2 : 1;
    parts.tail.assign(nuls * sizeof(wchar_t), 0);
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
std::wstring ReadOtherListText(HKEY root, const std::wstring& path, const std::wstring& valueName, ListSyntax syntax) {
    RegKey key;
    if (!key.OpenRead(root, path)) {
        return {};
    }
    const auto value = FindValue(key, valueName);
    return value.found() ? PartsOf(value.item, syntax).text : std::wstring();
}

// The position of an item: by its text (without regard to case), else by the path it resolves
// to, since entries carry the resolved path of their item.
std::optional<std::size_t> FindItem(const std::vector<std::wstring>& items,
                                    const std::wstring& valueName,
                                    const std::wstring& itemText) {
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
            if (ResolveImagePath(&resolved, ListItemCommand(valueName, items[i]), view) && SameRegistryName(resolved.imagePath, itemText)) {
                return i;
            }
        }
    }
    return std::nullopt;
}

bool FitsBuffer(const std::wstring& text) {
    return text.size() <= kMaxListTextLength;
}

// The session manager's and the LSA's lists are run in order: the store keeps, beside such a list,
// where each of its items stood in the live list ("<list>.TarnOrder", a comma text of positions in
// the order of the stored items), so that switching one on puts it back in its place.
constexpr wchar_t kOrderSuffix[] = L".TarnOrder";

bool KeepsOrder(ListSyntax syntax) {
    return syntax == ListSyntax::MultiString || syntax == ListSyntax::Comma;
}

// The positions of the stored items, one per item (an unknown one: the end of the list); nothing
// when they cannot be read (a failed look-up never passes for positions not kept).
std::optional<std::vector<std::size_t>> ReadOrder(RegKey& store, const std::wstring& listName, std::size_t storedCount) {
    std::vector<std::size_t> order;
    const auto value = FindValue(store, listName + kOrderSuffix);
    if (value.failed()) {
        return std::nullopt;
    }
    if (value.found()) {
        for (const std::wstring& number : SplitListItems(TextOf(value.item), ListSyntax::Comma)) {
            order.push_back(number.find_first_not_of(L"0123456789") == std::wstring::npos && number.size() < 6
                                ? std::stoul(number)
                                : SIZE_MAX);
        }
    }
    order.resize(storedCount, SIZE_MAX);
    return order;
}

bool WriteOrder(RegKey& store, const std::wstring& listName, const std::vector<std::size_t>& order) {
    if (order.empty()) {
        return store.DeleteValue(listName + kOrderSuffix) || FindValue(store, listName + kOrderSuffix).absent();
    }
    std::vector<std::wstring> numbers;
    for (const std::size_t position : order) {
        numbers.push_back(position == SIZE_MAX ? L"-" : std::to_wstring(position));
    }
    RegValue value;
    value.name = listName + kOrderSuffix;
    value.type = REG_SZ;
    for (const wchar_t c : JoinListItems(numbers, ListSyntax::Comma) + L'\0') {
        value.bytes.push_back(static_cast<BYTE>(static_cast<uint16_t>(c) & 0xFF));
        value.bytes.push_back(static_cast<BYTE>((static_cast<uint16_t>(c) >> 8) & 0xFF));
    }
    return WriteVerifiedValue(store, value);
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
    const ListParts liveParts = PartsOf(live.item, *syntax);
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
    const ListParts storeParts = stored.found() ? PartsOf(stored.item, *syntax) : NewList(liveParts.type, *syntax);
    const std::wstring storeName = stored.found() ? stored.item.name : live.item.name;

    ListItemLists& lists = RebuildLists(live.item.name, *syntax, liveParts.text, storeParts.text);
    const auto index = FindItem(lists.activeItems, valueName, itemText);
    if (!index) {
        return fail();
    }
    // The position goes first: should a later write fail, it names no item (positions beyond the
    // stored items are dropped when read).
    if (KeepsOrder(*syntax)) {
        auto order = ReadOrder(store, storeName, lists.storedItems.size());
        if (!order) {
            return fail();
        }
        order->push_back(*index);
        if (!WriteOrder(store, storeName, *order)) {
            return fail();
        }
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
    // An emptied list goes, but one run in order stays (empty), so that its first item comes back
    // into the very bytes it left.
    if (lists.activeItems.empty() && OnlyTerminators(liveParts) && !KeepsOrder(*syntax)) {
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
    const ListParts storeParts = PartsOf(stored.item, *syntax);
    const auto current = FindValue(live, stored.item.name);
    if (current.failed()) {
        return 0;
    }
    const ListParts liveParts =
        current.found() ? PartsOf(current.item, *syntax) : NewList(storeParts.type, *syntax);
    const std::wstring liveName = current.found() ? current.item.name : stored.item.name;

    ListItemLists& lists = RebuildLists(liveName, *syntax, liveParts.text, storeParts.text);
    const auto index = FindItem(lists.storedItems, valueName, itemText);
    if (!index) {
        return 0;
    }
    std::vector<std::size_t> order;
    std::size_t position = lists.activeItems.size();
    if (KeepsOrder(*syntax)) {
        auto kept = ReadOrder(store, stored.item.name, lists.storedItems.size());
        if (!kept) {
            return 0;
        }
        order = std::move(*kept);
        position = std::min(order[*index], position);
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(*index));
    }
    lists.activeItems.insert(lists.activeItems.begin() + static_cast<std::ptrdiff_t>(position),
                             lists.storedItems[*index]);
    lists.storedItems.erase(lists.storedItems.begin() + static_cast<std::ptrdiff_t>(*index));
    const std::wstring newLive = JoinListItems(lists.activeItems, *syntax);
    const std::wstring newStored = JoinListItems(lists.storedItems, *syntax);
    if (!FitsBuffer(newLive) || !FitsBuffer(newStored) ||
        !WriteVerifiedValue(live, ValueOf(liveName, liveParts, newLive))) {
        return 0;
    }
    if (!lists.storedItems.empty() || !OnlyTerminators(storeParts)) {
        if (!WriteVerifiedValue(store, ValueOf(stored.item.name, storeParts, newStored))) {
            return 0;
        }
        return !KeepsOrder(*syntax) || WriteOrder(store, stored.item.name, order) ? 1 : 0;
    }
    if (!store.DeleteValue(stored.item.name) || (KeepsOrder(*syntax) && !WriteOrder(store, stored.item.name, {}))) {
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
    const ListParts parts = PartsOf(value.item, *syntax);
    const std::wstring otherText =
        ReadOtherListText(place->root, inStore ? place->key : place->store, value.item.name, *syntax);
    ListItemLists& lists = inStore ? RebuildLists(value.item.name, *syntax, otherText, parts.text)
                                   : RebuildLists(value.item.name, *syntax, parts.text, otherText);
    std::vector<std::wstring>& items = inStore ? lists.storedItems : lists.activeItems;
    const auto index = FindItem(items, valueName, itemText);
    if (!index) {
        return 0;
    }
    // The positions of the other stored items stay theirs (a position that cannot be written is
    // only a place in the list, never an item).
    auto order = inStore && KeepsOrder(*syntax) ? ReadOrder(key, value.item.name, items.size()) : std::nullopt;
    const bool ordered = order.has_value();
    if (ordered) {
        order->erase(order->begin() + static_cast<std::ptrdiff_t>(*index));
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(*index));
    if (!inStore) {
        lists.itemRecords.erase(lists.itemRecords.begin() + static_cast<std::ptrdiff_t>(*index));
    }
    if (!items.empty() || !OnlyTerminators(parts) || (!inStore && KeepsOrder(*syntax))) {
        const std::wstring text = JoinListItems(items, *syntax);
        if (!FitsBuffer(text) || !WriteVerifiedValue(key, ValueOf(value.item.name, parts, text))) {
            return 0;
        }
        if (ordered) {
            WriteOrder(key, value.item.name, *order);
        }
        return 1;
    }
    // A delete that reports a failure may have been made all the same: the registry tells.
    if (!key.DeleteValue(value.item.name) && !FindValue(key, value.item.name).absent()) {
        return 0;
    }
    if (ordered) {
        WriteOrder(key, value.item.name, {});
    }
    if (inStore) {
        key.Close();
        DeleteStoreIfEmpty(*place);
    }
    return 1;
}

}  // namespace tarn
