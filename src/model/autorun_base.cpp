#include "model/autorun_base.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/registry_data.h"
#include "base/registry_failure.h"
#include "base/user_hive_names.h"

#include <iterator>

namespace tarn {

CTarnAutoRunBase::CTarnAutoRunBase(EntryFiles& files) : files_(files) {}

CTarnAutoRunBase::~CTarnAutoRunBase() = default;

void CTarnAutoRunBase::ClearResults() {
    results_ = CategoryResults{};
    hives_.reset();
}

UserHives& CTarnAutoRunBase::Hives() {
    if (!hives_) {
        hives_ = ScanUserHives();
    }
    return *hives_;
}

ReadContext CTarnAutoRunBase::LiveContext(HKEY root,
                                          const wchar_t* rootName,
                                          const std::wstring& path,
                                          RegistryView view) {
    ReadContext at;
    at.view = view;
    at.root = root;
    at.walkedPath = path;
    at.liveKeyText = JoinKeyText(rootName, path);
    at.location = at.liveKeyText;
    return at;
}

AutoRunEntry CTarnAutoRunBase::NewEntry(const ReadContext& at) {
    AutoRunEntry entry;
    entry.view = static_cast<int32_t>(at.view);
    return entry;
}

bool CTarnAutoRunBase::ResolveStrictly(AutoRunEntry& entry, const std::wstring& text) {
    auto image = ImageOf(text, static_cast<RegistryView>(entry.view));
    if (!image) {
        return false;
    }
    entry.imagePath = std::move(*image);
    return true;
}

bool CTarnAutoRunBase::Resolves(const std::wstring& text, RegistryView view) {
    return ImageOf(text, view).has_value();
}

std::optional<std::wstring> CTarnAutoRunBase::ImageOf(const std::wstring& text, RegistryView view) {
    if (readingUser_ == nullptr) {
        return files_.ImageOf(text, view);
    }
    // Another user's "%APPDATA%" is in their profile, not in this process's.
    const auto own = WithUserVariables(text, readingUser_->variables);
    return own ? files_.ImageOf(*own, view) : std::nullopt;
}

bool CTarnAutoRunBase::Resolve(AutoRunEntry& entry, const std::wstring& text) {
    if (ResolveStrictly(entry, text)) {
        return true;
    }
    if (!keepUnresolved_) {
        return false;
    }
    // Its file is gone or was never there: listed so that it can be found and cleaned up.
    entry.imagePath.clear();
    if (entry.commandLine.empty()) {
        entry.commandLine = text;
    }
    return true;
}

void CTarnAutoRunBase::TakeApproval(AutoRunEntry& entry, const StartupApprovals& list, const std::wstring& name) {
    if (list.keyText().empty()) {
        return;
    }
    const StartupApproval approval = list.Of(name);
    entry.approvalKey = list.keyText();
    entry.offByWindows = approval.off;
    entry.offByWindowsAt = approval.switchedAt;
}

void CTarnAutoRunBase::Add(AutoRunEntry entry, const ReadContext& at, int32_t locationKind) {
    entry.state = at.pass == 1 ? EntryDisabled : EntryEnabled;
    entry.inStore = at.pass == 1;
    if (entry.offByWindows && at.pass == 0) {
        entry.state = EntryOffByWindows;
    }
    files_.FillFacts(entry);
    if (*entry.technique == L'\0') {
        entry.technique = at.technique != nullptr ? at.technique : technique_;
    }
    entry.location = at.location;
    entry.locationKind = locationKind;
    if (readingUser_ != nullptr) {
        TakeUser(entry, *readingUser_);
    }
    results_.entries.push_back(std::make_unique<AutoRunEntry>(std::move(entry)));
}

void CTarnAutoRunBase::AddResolved(AutoRunEntry entry,
                                   const std::wstring& text,
                                   const ReadContext& at,
                                   int32_t locationKind) {
    if (Resolve(entry, text)) {
        Add(std::move(entry), at, locationKind);
    }
}

namespace {

bool KeyTextBelow(const std::wstring& keyText, const std::wstring& hiveKey) {
    const std::wstring prefix = L"HKU\\" + hiveKey + L"\\";
    return !hiveKey.empty() && keyText.size() > prefix.size() &&
           EqualsNoCaseAscii(keyText.substr(0, prefix.size()), prefix);
}

}  // namespace

void CTarnAutoRunBase::TakeUser(AutoRunEntry& entry, const UserHive& user) {
    entry.user = user.name;
    entry.userSid = user.sid;
    // A Startup-folder file keeps its switch in the user's hive; everything else is its key.
    const std::wstring& keyText = entry.entryKind == KindStartupFile ? entry.approvalKey : entry.keyPath;
    if (KeyTextBelow(keyText, user.classesHiveKey)) {
        entry.userHive = user.classesHiveFile;
        entry.userHiveKey = user.classesHiveKey;
    }
    if (entry.userHive.empty() && KeyTextBelow(keyText, user.sid)) {
        entry.userHive = user.hiveFile;
        entry.userHiveKey = user.sid;
    }
    if (entry.userHive.empty()) {
        entry.userHiveKey.clear();
    }
}

UserPlaces CTarnAutoRunBase::PlacesOf(const UserHive& user) {
    UserPlaces places;
    places.root = user.root.get();
    places.rootName = user.rootText;
    places.classes = user.classes.get();
    places.classesName = user.classesText;
    places.user = &user;
    places.profileFolder = user.profileFolder;
    return places;
}

std::optional<std::wstring> CTarnAutoRunBase::UserShellFolder(const UserPlaces& places,
                                                              const wchar_t* valueName,
                                                              const wchar_t* belowProfile) {
    if (places.user != nullptr) {
        if (auto folder = ShellFolderSetting(places.root, places.user->variables, valueName)) {
            return folder;
        }
    }
    if (places.profileFolder.empty()) {
        return std::nullopt;
    }
    return JoinKeyText(places.profileFolder, belowProfile);
}

void CTarnAutoRunBase::ReportUnreadableUsers() {
    for (const std::wstring& failure : Hives().Unreadable()) {
        results_.unreadable.push_back(failure);
    }
}

namespace {

constexpr wchar_t kClassesPrefix[] = L"Software\\Classes\\";
constexpr std::size_t kClassesPrefixLength = std::size(kClassesPrefix) - 1;

}  // namespace

bool UserPlaces::InClasses(const std::wstring& path) {
    return path.size() > kClassesPrefixLength &&
           EqualsNoCaseAscii(path.substr(0, kClassesPrefixLength), kClassesPrefix);
}

std::optional<UserPlaces::Place> UserPlaces::Of(const std::wstring& path) const {
    if (user == nullptr || !InClasses(path)) {
        return Place{root, rootName.c_str(), path};
    }
    return ClassPlace(path.substr(kClassesPrefixLength));
}

std::optional<UserPlaces::Place> UserPlaces::ClassPlace(const std::wstring& pathInClasses) const {
    if (user == nullptr) {
        return Place{HKEY_CURRENT_USER, L"HKCU", JoinKeyText(L"Software\\Classes", pathInClasses)};
    }
    if (classes == nullptr) {
        return std::nullopt;
    }
    return Place{classes, classesName.c_str(), pathInClasses};
}

void CTarnAutoRunBase::Unreadable(const std::wstring& place, const std::wstring& why) {
    results_.unreadable.push_back(place + L": " + why);
}

void CTarnAutoRunBase::Unreadable(const std::wstring& place, LONG code) {
    Unreadable(place, RegistryFailureText(code));
}

bool CTarnAutoRunBase::OpenOrReport(RegKey& key, HKEY root, const std::wstring& path, const std::wstring& place) {
    if (key.OpenRead(root, path)) {
        return true;
    }
    // A key that is not there is no failure.
    if (key.status() != ERROR_FILE_NOT_FOUND) {
        Unreadable(place, key.status());
    }
    return false;
}

void CTarnAutoRunBase::AddSubKeyEntry(const std::wstring& name,
                                      const std::wstring& command,
                                      const ReadContext& at,
                                      const std::wstring& file) {
    AutoRunEntry entry = NewEntry(at);
    entry.locateKind = LocateKey;
    entry.entryKind = KindKey;
    entry.commandLine = command;
    entry.keyPath = JoinKeyText(at.location, name);
    entry.name = name;
    entry.subKeyName = name;
    AddResolved(std::move(entry), file.empty() ? command : file, at);
}

void CTarnAutoRunBase::ReadSubKeyFiles(RegKey& key,
                                       const ReadContext& at,
                                       const wchar_t* valueName,
                                       const std::wstring& folder) {
    SubKeysOf(key, at.location, [&](const std::wstring& name) {
        RegKey subKey;
        if (!OpenOrReport(subKey, at.root, JoinKeyText(at.walkedPath, name), JoinKeyText(at.location, name))) {
            return;
        }
        const auto command = FindValue(subKey, valueName);
        if (command.failed()) {
            Unreadable(JoinKeyText(at.location, name), subKey.status());
        }
        if (command.found()) {
            const std::wstring text = TextOf(command.item);
            const bool bare = !folder.empty() && text.find(L'\\') == std::wstring::npos;
            AddSubKeyEntry(name, text, at, bare ? L"\"" + folder + L"\\" + text + L"\"" : std::wstring());
        }
    });
}

bool CTarnAutoRunBase::AppendListItems(std::vector<ListItem>& items,
                                       const std::wstring& valueName,
                                       const std::wstring& data,
                                       const ReadContext& at) {
    const auto syntax = ListSyntaxFor(valueName);
    const auto texts = syntax ? SplitListText(data, *syntax) : std::nullopt;
    if (!texts) {
        return false;
    }
    const int32_t state = at.pass == 1 ? EntryDisabled : EntryEnabled;
    for (std::size_t k = 0; k < texts->size(); ++k) {
        items.push_back({static_cast<int32_t>(k), valueName, (*texts)[k], state, static_cast<int32_t>(at.view)});
    }
    return true;
}

void CTarnAutoRunBase::AddListItemEntries(const std::wstring& keyPathText,
                                          const std::wstring& valueName,
                                          const std::wstring& data,
                                          const std::vector<ListItem>& items,
                                          std::vector<std::wstring>& paths,
                                          const ReadContext& at) {
    ReadContext item = at;
    item.location = JoinKeyText(keyPathText, valueName);
    const int32_t wanted = at.pass == 1 ? EntryDisabled : EntryEnabled;
    for (const ListItem& listItem : items) {
        if (!SameRegistryName(listItem.valueName, valueName) || listItem.state != wanted ||
            listItem.view != static_cast<int32_t>(at.view)) {
            continue;
        }
        AutoRunEntry entry = NewEntry(at);
        entry.name = valueName;
        entry.valueName = valueName;
        entry.keyPath = keyPathText;
        entry.commandLine = data;
        entry.entryKind = KindListItem;
        entry.locateKind = LocateValue;
        if (Resolve(entry, listItem.text)) {
            paths.push_back(entry.imagePath);
            Add(std::move(entry), item);
        }
    }
}

void CTarnAutoRunBase::ReadListValue(
    RegKey& key,
    const wchar_t* listName,
    const std::wstring& keyPathText,
    const std::function<bool(const std::wstring& valueName, const std::wstring& data)>& split,
    const std::vector<ListItem>& items,
    std::vector<std::wstring>& paths,
    const ReadContext& at) {
    const auto value = FindValue(key, listName);
    if (value.failed()) {
        Unreadable(at.location, key.status());
    }
    if (!value.found()) {
        return;
    }
    const std::wstring data = TextOf(value.item);
    if (split(value.item.name, data)) {
        AddListItemEntries(keyPathText, value.item.name, data, items, paths, at);
    } else {
        AddWholeListValue(keyPathText, value.item.name, data, at);
    }
}

void CTarnAutoRunBase::AddWholeListValue(const std::wstring& keyPathText,
                                         const std::wstring& valueName,
                                         const std::wstring& data,
                                         const ReadContext& at) {
    ReadContext whole = at;
    whole.location = keyPathText;
    AutoRunEntry entry = NewEntry(at);
    entry.name = valueName;
    entry.keyPath = keyPathText;
    entry.valueName = valueName;
    entry.commandLine = data;
    entry.entryKind = KindValue;
    entry.locateKind = LocateValue;
    AddResolved(std::move(entry), data, whole);
}

void CTarnAutoRunBase::ReadItemList(RegKey& key, const std::wstring& valueName, const ReadContext& at) {
    const auto value = FindValue(key, valueName);
    if (value.failed()) {
        Unreadable(JoinKeyText(at.location, valueName), key.status());
    }
    if (!value.found()) {
        return;
    }
    const ListSyntax syntax = ListSyntaxFor(valueName).value_or(ListSyntax::MultiString);
    const RegValue& list = value.item;
    const std::wstring text = ListTextOf(Utf16UnitsFromBytes(list.bytes.data(), list.bytes.size()), syntax);
    ReadContext item = at;
    item.location = JoinKeyText(at.liveKeyText, list.name);
    for (const std::wstring& itemText : SplitListItems(text, syntax)) {
        if (IsNoPackage(itemText)) {
            continue;
        }
        AutoRunEntry entry = NewEntry(at);
        entry.name = list.name;
        entry.valueName = list.name;
        entry.keyPath = at.liveKeyText;
        entry.commandLine = itemText;
        entry.entryKind = KindListItem;
        entry.locateKind = LocateValue;
        AddResolved(std::move(entry), ListItemCommand(list.name, itemText), item);
    }
}

void CTarnAutoRunBase::AddValueEntry(const RegValue& value,
                                     const ReadContext& at,
                                     const std::wstring& shownName,
                                     const std::wstring& command) {
    AutoRunEntry entry = NewEntry(at);
    entry.name = shownName.empty() ? value.name : shownName;
    entry.valueName = value.name;
    entry.keyPath = at.liveKeyText;
    entry.commandLine = TextOf(value);
    entry.entryKind = KindValue;
    entry.locateKind = LocateValue;
    const std::wstring resolved = command.empty() ? entry.commandLine : command;
    AddResolved(std::move(entry), resolved, at);
}

void CTarnAutoRunBase::ReadValueEntry(RegKey& key, const ReadContext& at, const wchar_t* valueName) {
    const auto value = FindValue(key, valueName);
    if (value.failed()) {
        Unreadable(at.location, key.status());
    }
    if (value.found()) {
        AddValueEntry(value.item, at);
    }
}

}  // namespace tarn
