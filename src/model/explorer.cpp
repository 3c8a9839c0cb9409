#include "model/explorer.h"

#include "base/key_text.h"
#include "model/com_class.h"

namespace tarn {

namespace {

enum class Handler { ActiveSetup, NamedClsidValues, ClsidValueNames, HandlerSubkeys };

struct SearchRow {
    const wchar_t* path;
    Handler handler;
};

const SearchRow kSearchTable[] = {
    {L"Software\\Microsoft\\Active Setup\\Installed Components", Handler::ActiveSetup},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad", Handler::NamedClsidValues},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler", Handler::ClsidValueNames},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks", Handler::ClsidValueNames},
    {L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Shellex\\PropertySheetHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Protocols\\Handler", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Protocols\\Filter", Handler::HandlerSubkeys},
    {L"Software\\Classes\\AllFileSystemObjects\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Folder\\Shellex\\ColumnHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Shellex\\DragDropHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Shellex\\CopyHookHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Folder\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Background\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers", Handler::HandlerSubkeys},
};

// A handler list of the classes, which each user may also keep in their own.
bool IsClassesList(const SearchRow& row) {
    return row.handler == Handler::HandlerSubkeys && UserPlaces::InClasses(row.path);
}

// The server the user's own class key names for the class, in the view.
std::optional<std::wstring> UserServerDll(const UserPlaces& places, const std::wstring& clsid, RegistryView view) {
    const auto place = places.ClassPlace(ClassKeyOfView(clsid, view));
    return place ? ServerDllAt(place->root, place->path) : std::nullopt;
}

}  // namespace

int32_t CTarnAutoRunExplorer::Enumerate() {
    for (const SearchRow& row : kSearchTable) {
        // A list both views share names classes each view registers on its own.
        const bool bothViews = !Wow32PathOf(row.path);
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", row.path, [&](RegKey& key, const ReadContext& at) {
            switch (row.handler) {
                case Handler::ActiveSetup:
                    ReadActiveSetup(key, at);
                    break;
                case Handler::NamedClsidValues:
                    ReadNamedClsidValues(key, at, bothViews);
                    break;
                case Handler::ClsidValueNames:
                    ReadClsidValueNames(key, at, bothViews);
                    break;
                case Handler::HandlerSubkeys:
                    ReadHandlerSubkeys(key, at, bothViews);
                    break;
            }
        });
    }
    // The users' own handler lists come last and have no store: Windows merges each user's classes
    // over the machine's, so a handler listed there is loaded for that user.
    ForEachUser([&](const UserPlaces& places) {
        for (const SearchRow& row : kSearchTable) {
            const auto place = IsClassesList(row) ? places.Of(row.path) : std::nullopt;
            if (!place) {
                continue;
            }
            ReadKeyWithoutStore(place->root, place->rootName, place->path,
                                [&](RegKey& key, const ReadContext& at) { ReadHandlerSubkeys(key, at, true); });
        }
    });
    return 0;
}

void CTarnAutoRunExplorer::AddClassEntry(const AutoRunEntry& pattern,
                                         const std::wstring& clsid,
                                         const ReadContext& at,
                                         bool bothViews,
                                         bool nameFromClass) {
    auto addInView = [&](RegistryView view) {
        AutoRunEntry entry = pattern;
        entry.view = static_cast<int32_t>(view);
        if (nameFromClass) {
            if (const auto name = ClassName(clsid, view, ReadingClasses())) {
                entry.name = *name;
            }
        }
        entry.commandLine = JoinKeyText(L"HKCR", ClassKeyOfView(clsid, view));
        // The user's own class key is what Windows loads for the user.
        const UserHive* reading = ReadingUser();
        auto dll = UserServerDll(reading != nullptr ? PlacesOf(*reading) : UserPlaces{}, clsid, view);
        const AutoRunEntry machineEntry = entry;
        entry.userClassOverride = dll.has_value();
        if (!dll) {
            dll = ClassServerDll(clsid, view, ReadingClasses());
        }
        if (dll) {
            AddResolved(std::move(entry), *dll, at);
        }
        // So is every other user's, for a class the machine registers: one record per such user.
        if (reading == nullptr && at.root == HKEY_LOCAL_MACHINE) {
            ForEachOtherUser([&](const UserPlaces& places) {
                if (auto userDll = UserServerDll(places, clsid, view)) {
                    AutoRunEntry userEntry = machineEntry;
                    userEntry.userClassOverride = true;
                    AddResolved(std::move(userEntry), *userDll, at);
                }
            });
        }
    };
    addInView(at.view);
    if (bothViews && kTwoRegistryViews) {
        addInView(RegistryView::Wow32);
    }
}

void CTarnAutoRunExplorer::ReadActiveSetup(RegKey& key, const ReadContext& at) {
    SubKeysOf(key, at.location, [&](const std::wstring& component) {
        RegKey componentKey;
        if (!OpenOrReport(componentKey, at.root, JoinKeyText(at.walkedPath, component),
                          JoinKeyText(at.location, component))) {
            return;
        }
        std::optional<std::wstring> title;
        std::optional<std::wstring> stubPath;
        ValuesOf(componentKey, JoinKeyText(at.location, component), [&](const RegValue& value) {
            if (value.name.empty()) {
                title = TextOf(value);
            } else if (SameRegistryName(value.name, L"StubPath")) {
                stubPath = TextOf(value);
            }
        });
        if (!stubPath) {
            return;
        }
        AutoRunEntry entry = NewEntry(at);
        entry.keyPath = JoinKeyText(at.location, component);
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        entry.subKeyName = component;
        entry.commandLine = *stubPath;
        entry.name = title ? *title : L"n/a";
        AddResolved(std::move(entry), *stubPath, at);
    });
}

void CTarnAutoRunExplorer::ReadNamedClsidValues(RegKey& key, const ReadContext& at, bool bothViews) {
    ValuesOf(key, at.location, [&](const RegValue& value) {
        AutoRunEntry entry = NewEntry(at);
        entry.name = value.name;
        entry.valueName = value.name;
        entry.keyPath = at.location;
        entry.entryKind = KindValue;
        entry.locateKind = LocateValue;
        AddClassEntry(entry, TextOf(value), at, bothViews);
    });
}

void CTarnAutoRunExplorer::ReadClsidValueNames(RegKey& key, const ReadContext& at, bool bothViews) {
    ValuesOf(key, at.location, [&](const RegValue& value) {
        AutoRunEntry entry = NewEntry(at);
        entry.valueName = value.name;
        entry.keyPath = at.location;
        entry.locateKind = LocateValue;
        entry.entryKind = KindValue;
        AddClassEntry(entry, value.name, at, bothViews, true);
    });
}

void CTarnAutoRunExplorer::ReadHandlerSubkeys(RegKey& key, const ReadContext& at, bool bothViews) {
    SubKeysOf(key, at.location, [&](const std::wstring& subKey) {
        AutoRunEntry entry = NewEntry(at);
        entry.keyPath = JoinKeyText(at.location, subKey);
        entry.subKeyName = subKey;
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        if (IsClsidLike(subKey)) {
            AddClassEntry(entry, subKey, at, bothViews, true);
            return;
        }
        // A named handler: its values hold the class.
        RegKey handler;
        if (!OpenOrReport(handler, at.root, JoinKeyText(at.walkedPath, subKey), entry.keyPath)) {
            return;
        }
        entry.name = subKey;
        ValuesOf(handler, entry.keyPath, [&](const RegValue& value) {
            const std::wstring clsid = TextOf(value);
            if (IsClsidLike(clsid)) {
                AddClassEntry(entry, clsid, at, bothViews);
            }
        });
    });
}

}  // namespace tarn
