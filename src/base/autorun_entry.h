#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// Entry states.
constexpr int32_t EntryEnabled = 16;
constexpr int32_t EntryDisabled = 17;
constexpr int32_t EntryFileMissing = 18;
// Live, but switched off by Windows' own startup switch: Windows does not start it.
constexpr int32_t EntryOffByWindows = 29;

// What `location` names.
constexpr int32_t LocationKey = 14;
constexpr int32_t LocationFolder = 15;

// How a registration is stored; selects the state-change procedure. There is no kind 22.
constexpr int32_t KindValue = 19;
constexpr int32_t KindService = 20;
constexpr int32_t KindKey = 21;
constexpr int32_t KindListItem = 23;
// A file right in a Startup folder (or in its store): moved to switch it.
constexpr int32_t KindStartupFile = 24;
// A WMI filter-to-consumer binding: `keyPath` names its namespace, `valueName` its path there.
constexpr int32_t KindWmiBinding = 25;
// A task found only in the scheduler's registry cache: `keyPath` names its key in the cache's tree
// of folders, `valueName` its id (the key of its definition).
constexpr int32_t KindCachedTask = 26;

// What the locate command opens in the registry editor.
constexpr int32_t LocateKey = 27;
constexpr int32_t LocateValue = 28;

// Whether the entry's file was verified, and how it came out (its `signature` text says the same).
enum class SignatureCheck { NotChecked, Valid, Invalid };

// One autostart registration.
struct AutoRunEntry {
    std::wstring name;
    std::wstring signature;
    std::wstring description;
    std::wstring imagePath;
    std::wstring company;
    std::wstring fileTime;
    std::wstring fileVersion;
    std::wstring commandLine;
    std::wstring location;
    std::wstring keyPath;
    std::wstring valueName;
    std::wstring subKeyName;
    int32_t sizeKB = 0;
    int32_t state = 0;
    int32_t locationKind = 0;
    int32_t entryKind = 0;
    int32_t reserved = 0;
    int32_t locateKind = 0;
    // The registry view the registration was found in (RegistryView: 0 native, 32 the 32-bit view
    // of a 64-bit Windows); its file is the one a process of that view loads.
    int32_t view = 0;
    // What a scheduled task's definition says of itself: its author, its description, and what
    // starts it.
    std::wstring taskAuthor;
    std::wstring taskDescription;
    std::wstring taskTriggers;
    // Found in its store (switched off by this program); it stays there when its file is then
    // found missing (state EntryFileMissing), so that a delete acts on the stored copy.
    bool inStore = false;
    // A task action that starts no file of its own (an e-mail or a message): shown with its kind,
    // in `commandLine`, instead of a file.
    bool startsNoFile = false;
    // Windows' own startup switch: the key text of the list that holds the entry's switch value
    // (named as the entry), empty where Windows keeps none for it; whether that value says off,
    // and when it was switched off (a FILETIME, 0 when not told). A live entry it switched off
    // has the state EntryOffByWindows; one in the store keeps EntryDisabled.
    std::wstring approvalKey;
    bool offByWindows = false;
    uint64_t offByWindowsAt = 0;
    SignatureCheck signatureCheck = SignatureCheck::NotChecked;
    // Live, but its program loads it only when asked, not at its start (an Office add-in whose
    // "LoadBehavior" says so).
    bool notAtStart = false;
    // A task the scheduler's registry holds but its interfaces do not return.
    bool hiddenFromScheduler = false;
    // A class the user's own class key overrides: the user's file is what Windows loads for them.
    bool userClassOverride = false;
    // Another user's registration (the current user's leave these empty): the account's name (its
    // SID when it has none) and SID. `userHive` is the hive file the scan loaded for reading
    // because the user was not logged on, and `userHiveKey` the name below HKEY_USERS the key
    // texts give it: a change loads the file there first.
    std::wstring user;
    std::wstring userSid;
    std::wstring userHive;
    std::wstring userHiveKey;
    // What the details line adds after the location (a WMI filter's query, a working folder).
    std::wstring details;
    // The MITRE ATT&CK technique of the place it is registered in ("T1547.001"); a literal of the
    // category table or of a category's search table.
    const wchar_t* technique = L"";
};

// Whether the entry comes from the 32-bit view of a 64-bit Windows.
inline bool IsWow32Entry(const AutoRunEntry& entry) {
    return entry.view == 32;
}

// The bitness of the processes that start the entry: the 32-bit view's, or this program's own.
inline int32_t ViewBits(const AutoRunEntry& entry) {
    return IsWow32Entry(entry) ? 32 : static_cast<int32_t>(sizeof(void*) * 8);
}

// Whether the entry comes from a view other than this program's own (a mark in every listing).
inline bool FromOtherView(const AutoRunEntry& entry) {
    return ViewBits(entry) != static_cast<int32_t>(sizeof(void*) * 8);
}

// Whether a name or key text of the entry holds a NUL: written that way only through the native
// API, to hide from tools that read the registry with the Win32 calls. No innocent use is known.
inline bool NameHoldsNul(const AutoRunEntry& entry) {
    for (const std::wstring* text :
         {&entry.name, &entry.valueName, &entry.subKeyName, &entry.keyPath, &entry.location}) {
        if (text->find(L'\0') != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

// Characters that have no innocent use in a registered name, command or path: the bidirectional
// controls, which reorder how a text reads ("RTL \u202Eexe.tset" reads "RTL test.exe"), and the
// C0 and C1 controls (NUL aside, which NameHoldsNul tells).
inline bool IsBidiControl(wchar_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}
inline bool IsControlCharacter(wchar_t c) {
    return (c >= 0x01 && c < 0x20) || (c >= 0x7F && c <= 0x9F);
}

// Whether a name, command or path of the entry holds a character `is` tells.
template <typename Is>
bool EntryTextHolds(const AutoRunEntry& entry, Is is) {
    for (const std::wstring* text : {&entry.name, &entry.valueName, &entry.subKeyName, &entry.keyPath, &entry.location,
                                     &entry.commandLine, &entry.imagePath}) {
        for (wchar_t c : *text) {
            if (is(c)) {
                return true;
            }
        }
    }
    return false;
}

inline bool HoldsBidiControl(const AutoRunEntry& entry) {
    return EntryTextHolds(entry, IsBidiControl);
}
inline bool HoldsControlCharacter(const AutoRunEntry& entry) {
    return EntryTextHolds(entry, IsControlCharacter);
}

// One item of a split list value ("Userinit", "Shell", "AppInit_DLLs").
struct ListItem {
    int32_t index = 0;
    std::wstring valueName;
    std::wstring text;
    int32_t state = 0;
    // The registry view of the list it belongs to (as AutoRunEntry::view).
    int32_t view = 0;
};

}  // namespace tarn
