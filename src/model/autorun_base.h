#pragma once

#include "base/key_text.h"
#include "base/registry_view.h"
#include "base/store_name.h"
#include "model/category_results.h"
#include "model/entry_files.h"
#include "model/com_class.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"
#include "model/startup_approvals.h"
#include "model/user_hives.h"
#include "win/unique_handle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarn {

// Where the records being read come from. It is handed from call to call; nothing of it is kept
// between calls.
struct ReadContext {
    // 0 while live registrations are read, 1 while a disabled-entry store is read.
    int32_t pass = 0;
    // The registry view the registrations belong to; every new record takes it.
    RegistryView view = RegistryView::Native;
    // The root of the key read now, and its path (the store's, in pass 1).
    HKEY root = nullptr;
    std::wstring walkedPath;
    // The text of the live key (also while its store is read), and the `location` of every record
    // added here.
    std::wstring liveKeyText;
    std::wstring location;
    // The ATT&CK technique of the place read now, where it is not the category's.
    const wchar_t* technique = nullptr;
};

// Where one user's per-user places are: the current user's below HKEY_CURRENT_USER ("HKCU"), another
// user's in the hives the scan opened ("HKU\<SID>", its classes "HKU\<SID>_Classes").
struct UserPlaces {
    HKEY root = HKEY_CURRENT_USER;
    std::wstring rootName = L"HKCU";
    // Null for a user whose classes could not be opened.
    HKEY classes = HKEY_CURRENT_USER;
    std::wstring classesName = L"HKCU\\Software\\Classes";
    const UserHive* user = nullptr;  // null for the current user
    std::wstring profileFolder;

    // The root, its name and the path below it of a per-user path; a path in "Software\Classes"
    // goes to the user's classes. Nothing where the user has no such root.
    struct Place {
        HKEY root;
        const wchar_t* rootName;
        std::wstring path;
    };
    std::optional<Place> Of(const std::wstring& path) const;
    // Whether a per-user path lies in "Software\Classes", which is the user's classes.
    static bool InClasses(const std::wstring& path);
    // A class key of the user's own ("CLSID\{…}\InprocServer32"): root and path.
    std::optional<Place> ClassPlace(const std::wstring& pathInClasses) const;
};

// Base of the category enumerators. Each enumerator owns its category's result list until the
// scan takes it (TakeResults); it is used by one thread at a time.
class CTarnAutoRunBase {
public:
    explicit CTarnAutoRunBase(EntryFiles& files);
    virtual ~CTarnAutoRunBase();
    CTarnAutoRunBase(const CTarnAutoRunBase&) = delete;
    CTarnAutoRunBase& operator=(const CTarnAutoRunBase&) = delete;

    // Lists the category's live registrations, then those in its disabled-entry stores.
    virtual int32_t Enumerate() = 0;
    virtual int32_t IsAvailable() { return 1; }

    // Destroys every entry (and, where a category keeps them, its list items) before a rescan.
    virtual void ClearResults();

    CategoryResults& results() { return results_; }
    const CategoryResults& results() const { return results_; }
    // Hands the last enumeration's list over whole; the enumerator keeps an empty one.
    // The users' hives it read go with it.
    CategoryResults TakeResults() {
        hives_.reset();
        return std::exchange(results_, CategoryResults{});
    }

    // Also lists registrations whose command resolves to no file, with an empty image path.
    void KeepUnresolved(bool keep) { keepUnresolved_ = keep; }
    // The category's ATT&CK technique, taken by every record whose place names none of its own.
    void UseTechnique(const wchar_t* technique) { technique_ = technique; }

protected:
    // A new record of the view being read.
    static AutoRunEntry NewEntry(const ReadContext& at);
    // Resolves `text` into the record's image path, as a process of the record's view finds it. A
    // registration kept unresolved (KeepUnresolved) also answers true, with no image path.
    bool Resolve(AutoRunEntry& entry, const std::wstring& text);
    // Resolves only: for a command that has another to fall back on.
    bool ResolveStrictly(AutoRunEntry& entry, const std::wstring& text);
    // Whether a command text loads an existing file, and which.
    bool Resolves(const std::wstring& text, RegistryView view);
    std::optional<std::wstring> ImageOf(const std::wstring& text, RegistryView view = RegistryView::Native);
    // Completes the record (state by pass, file facts, location) and appends it.
    void Add(AutoRunEntry entry, const ReadContext& at, int32_t locationKind = LocationKey);
    // Resolves `text` into the record and appends it when it resolves (as Resolve says).
    void AddResolved(AutoRunEntry entry,
                     const std::wstring& text,
                     const ReadContext& at,
                     int32_t locationKind = LocationKey);
    // Gives the record its switch in Windows' startup list `list`, under `name`.
    static void TakeApproval(AutoRunEntry& entry, const StartupApprovals& list, const std::wstring& name);

    // A place that exists but could not be read (or not whole), reported with the category.
    void Unreadable(const std::wstring& place, LONG code);
    void Unreadable(const std::wstring& place, const std::wstring& why);

    // Reads the key `path` below `root` (named `rootName` in texts), then its disabled-entry store:
    // `read(key, at)` runs with each open, in pass 0 and then pass 1, `at.location` naming the live
    // key both times. A key that does not exist is skipped with its store; one that cannot be read
    // is reported. A key Windows keeps once per view is read in each, the 32-bit one at its own
    // path, `at.view` telling which.
    template <typename Read>
    void ReadKeyThenStore(HKEY root, const wchar_t* rootName, const std::wstring& path, Read read) {
        ForEachView(root, path, [&](const std::wstring& viewPath, RegistryView view) {
            ReadOneKeyThenStore(root, rootName, viewPath, view, read);
        });
    }

    // Reads the live key `path` below `root` alone, for a place that keeps no store: `read(key, at)`
    // runs with it open. A key that does not exist is skipped; one that cannot be read is reported.
    template <typename Read>
    void ReadKeyWithoutStore(HKEY root,
                             const wchar_t* rootName,
                             const std::wstring& path,
                             Read read,
                             RegistryView view = RegistryView::Native) {
        const ReadContext at = LiveContext(root, rootName, path, view);
        RegKey key;
        if (OpenOrReport(key, root, path, at.location)) {
            read(key, at);
        }
    }
    // The context of the live key `path` below `root`.
    static ReadContext LiveContext(HKEY root, const wchar_t* rootName, const std::wstring& path, RegistryView view);

    // Calls `visit(path, view)` with the key's path in each view that has its own copy
    // (HKEY_CURRENT_USER's keys are shared but for its classes).
    template <typename Visit>
    static void ForEachView(HKEY root, const std::wstring& path, Visit visit) {
        visit(path, RegistryView::Native);
        if (kTwoRegistryViews && root == HKEY_LOCAL_MACHINE) {
            if (const auto wow32 = Wow32PathOf(path)) {
                visit(*wow32, RegistryView::Wow32);
            }
        }
    }

    // Calls `visit(places)` for the current user, then for every other user of the machine, each
    // record added meanwhile carrying that user.
    template <typename Visit>
    void ForEachUser(Visit visit) {
        visit(UserPlaces{});
        ForEachOtherUser(visit);
    }
    template <typename Visit>
    void ForEachOtherUser(Visit visit) {
        for (const UserHive& user : Hives().Users()) {
            const UserHive* const before = std::exchange(readingUser_, &user);
            visit(PlacesOf(user));
            readingUser_ = before;
        }
    }
    // ReadKeyThenStore for a per-user path, for every user.
    template <typename Read>
    void ReadUserKeyThenStore(const std::wstring& path, Read read) {
        ForEachUser([&](const UserPlaces& places) {
            if (const auto place = places.Of(path)) {
                ReadKeyThenStore(place->root, place->rootName, place->path, read);
            }
        });
    }
    static UserPlaces PlacesOf(const UserHive& user);
    // The other users: the scan's, or, outside a scan, this enumerator's own until ClearResults.
    UserHives& Hives();
    // Another user's shell folder `valueName` ("Startup", "AppData") as that user's settings name
    // it, "%USERPROFILE%" being the user's profile; else `belowProfile` in the profile folder.
    static std::optional<std::wstring> UserShellFolder(const UserPlaces& places,
                                                       const wchar_t* valueName,
                                                       const wchar_t* belowProfile);
    // The users whose hives could not be read, reported with the category.
    void ReportUnreadableUsers();
    // The other user being read now; null while the current user's or the machine's places are.
    const UserHive* ReadingUser() const { return readingUser_; }
    // The classes the user being read sees.
    ClassesOf ReadingClasses() const {
        return readingUser_ != nullptr ? ClassesOf{true, readingUser_->classes.get()} : ClassesOf{};
    }
    // Runs `read` with the records it adds carrying `user` (null: none).
    template <typename Read>
    void AsUser(const UserHive* user, Read read) {
        const UserHive* const before = std::exchange(readingUser_, user);
        read();
        readingUser_ = before;
    }

    // Calls `visit(name, isFolder)` for every name in a folder; a folder that cannot be read is
    // reported.
    template <typename Visit>
    void ForEachFileIn(const std::wstring& folder, Visit visit) {
        WIN32_FIND_DATAW found{};
        const unique_find search(::FindFirstFileW(ChildPath(folder, L"*.*").c_str(), &found));
        if (!search) {
            // An empty folder lists "." at least: a folder that lists nothing could not be read.
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
                Unreadable(folder, static_cast<LONG>(error));
            }
            return;
        }
        do {
            const std::wstring fileName = found.cFileName;
            if (fileName != L"." && fileName != L"..") {
                visit(fileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
            }
        } while (::FindNextFileW(search.get(), &found));
    }
    // The path of `name` in `folder`.
    static std::wstring ChildPath(const std::wstring& folder, const std::wstring& name) {
        return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
    }

    // Opens a key for reading; a key that exists but cannot be opened is reported as `place`.
    bool OpenOrReport(RegKey& key, HKEY root, const std::wstring& path, const std::wstring& place);

    // The values and the subkey names of an open key; a walk that fails on the way is reported as
    // `place` (what it read is still handled).
    template <typename Handle>
    void ValuesOf(RegKey& key, const std::wstring& place, Handle handle) {
        if (const LONG code = ForEachValue(key, handle); code != ERROR_SUCCESS) {
            Unreadable(place, code);
        }
    }
    template <typename Handle>
    void SubKeysOf(RegKey& key, const std::wstring& place, Handle handle) {
        if (const LONG code = ForEachSubKeyName(key, handle); code != ERROR_SUCCESS) {
            Unreadable(place, code);
        }
    }

    // Keys each of whose subkeys names one file (print monitors, Winlogon notification packages):
    // one key entry per subkey whose value `valueName` holds the command, named after the subkey.
    // A file named without a folder is looked for in `folder` where one is given.
    void ReadSubKeyFiles(RegKey& key, const ReadContext& at, const wchar_t* valueName, const std::wstring& folder = {});
    // A key entry for the subkey `name` of the key read now, starting `command` (resolved from
    // `file` where one is given).
    void AddSubKeyEntry(const std::wstring& name,
                        const std::wstring& command,
                        const ReadContext& at,
                        const std::wstring& file = {});

    // List values ("Userinit", "Shell", "AppInit_DLLs"). Splits `data` by the list's syntax into
    // items of the context's pass appended to `items`; false when the value is to be taken whole.
    static bool AppendListItems(std::vector<ListItem>& items,
                                const std::wstring& valueName,
                                const std::wstring& data,
                                const ReadContext& at);
    // Adds the items of the context's pass as list-item entries (every item of the sequence is
    // visited in both passes) and records their image paths in `paths`.
    void AddListItemEntries(const std::wstring& keyPathText,
                            const std::wstring& valueName,
                            const std::wstring& data,
                            const std::vector<ListItem>& items,
                            std::vector<std::wstring>& paths,
                            const ReadContext& at);
    // Adds a list value that was not split as one value entry of its key.
    void AddWholeListValue(const std::wstring& keyPathText,
                           const std::wstring& valueName,
                           const std::wstring& data,
                           const ReadContext& at);
    // Lists the list value `listName` of the open key: its items of this pass when `split` splits
    // it (items appended to `items`), else the value whole.
    void ReadListValue(RegKey& key,
                       const wchar_t* listName,
                       const std::wstring& keyPathText,
                       const std::function<bool(const std::wstring& valueName, const std::wstring& data)>& split,
                       const std::vector<ListItem>& items,
                       std::vector<std::wstring>& paths,
                       const ReadContext& at);

    // A value of the key read now as a value entry: named `shownName` (the value's own name when
    // empty), its text the command line, resolved from `command` (the text itself when empty).
    void AddValueEntry(const RegValue& value,
                       const ReadContext& at,
                       const std::wstring& shownName = {},
                       const std::wstring& command = {});
    // The value `valueName` of the open key as such an entry, when it is there.
    void ReadValueEntry(RegKey& key, const ReadContext& at, const wchar_t* valueName);

    // Lists the session manager's or the LSA's list `valueName` of the open key, item by item: a
    // list-item entry named by the value, carrying the item's own text as its command line (an
    // item of blanks, or `""`, is Windows' "none").
    void ReadItemList(RegKey& key, const std::wstring& valueName, const ReadContext& at);

    CategoryResults results_;

    // ReadKeyThenStore for the key of one view.
    template <typename Read>
    void ReadOneKeyThenStore(HKEY root,
                             const wchar_t* rootName,
                             const std::wstring& path,
                             RegistryView view,
                             Read&& read) {
        ReadContext at = LiveContext(root, rootName, path, view);
        RegKey key;
        if (!OpenOrReport(key, root, path, at.liveKeyText)) {
            return;
        }
        read(key, at);
        key.Close();
        at.pass = 1;
        at.walkedPath = JoinKeyText(path, kStoreName);
        if (!OpenOrReport(key, root, at.walkedPath, JoinKeyText(at.liveKeyText, kStoreName))) {
            return;
        }
        read(key, at);
    }

private:
    // Gives a record read from another user's hive that user, and the hive file to load for a
    // change where the scan loaded it.
    static void TakeUser(AutoRunEntry& entry, const UserHive& user);

    EntryFiles& files_;
    const UserHive* readingUser_ = nullptr;
    std::shared_ptr<UserHives> hives_;
    bool keepUnresolved_ = false;
    const wchar_t* technique_ = L"";
};

}  // namespace tarn
