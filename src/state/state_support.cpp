#include "state/state_support.h"

#include "base/key_text.h"
#include "base/registry_names.h"
#include "base/store_name.h"
#include "model/key_identity.h"
#include "win/task_scheduler.h"

#include <vector>

namespace tarn {

std::optional<EntryPlace> EntryPlaceOf(const std::wstring& keyText, int32_t kind) {
    EntryPlace place;
    place.root = RootFromKeyText(keyText);
    place.key = SubPathFromKeyText(keyText, kind);
    const auto store = JoinKeyPath(place.key, kStoreName);
    if (place.root == nullptr || place.key.empty() || !store) {
        return std::nullopt;
    }
    place.store = *store;
    return place;
}

bool OpenPlaceKey(RegKey& key, const EntryPlace& place, PlaceKey which) {
    switch (which) {
        case PlaceKey::Live:
            return key.OpenRead(place.root, place.key);
        case PlaceKey::LiveForWriting:
            return key.OpenWrite(place.root, place.key);
        case PlaceKey::OwnStore:
            return OpenOwnStore(key, place, false);
        case PlaceKey::Store:
            return key.OpenRead(place.root, place.store);
        case PlaceKey::StoreForWriting:
            return key.OpenWrite(place.root, place.store);
    }
    return false;
}

bool WriteVerifiedValue(RegKey& key, const RegValue& value) {
    // A write that reports a failure may have been made all the same: what the registry holds tells.
    key.SetValue(value.name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
    std::vector<BYTE> buffer;
    DWORD type = REG_NONE;
    DWORD byteCount = 0;
    if (!key.QueryValue(value.name, buffer, type, byteCount)) {
        return false;
    }
    buffer.resize(byteCount);
    return type == value.type && buffer == value.bytes;
}

Destination ValueDestination(RegKey& key, const RegValue& value) {
    const auto existing = FindValue(key, value.name);
    if (existing.failed()) {
        return Destination::Unknown;
    }
    if (existing.absent()) {
        return Destination::Free;
    }
    return existing.item == value ? Destination::SameCopy : Destination::Taken;
}

bool CopyValueUnlessTaken(RegKey& destination, const RegValue& value) {
    switch (ValueDestination(destination, value)) {
        case Destination::Free:
            return WriteVerifiedValue(destination, value);
        case Destination::SameCopy:
            return true;
        case Destination::Taken:
        case Destination::Unknown:
            return false;
    }
    return false;
}

Presence KeyPresence(HKEY root, const std::wstring& path) {
    RegKey key;
    if (key.OpenRead(root, path)) {
        return Presence::Present;
    }
    return key.status() == ERROR_FILE_NOT_FOUND ? Presence::Absent : Presence::Unknown;
}

bool ConfirmedAbsent(HKEY root, const std::wstring& path) {
    std::wstring below = path;
    while (!below.empty()) {
        const std::size_t cut = below.rfind(L'\\');
        const std::wstring parent = cut == std::wstring::npos ? std::wstring() : below.substr(0, cut);
        RegKey key;
        if (key.OpenRead(root, parent)) {
            return FindSubKey(key, cut == std::wstring::npos ? below : below.substr(cut + 1)).absent();
        }
        if (key.status() != ERROR_FILE_NOT_FOUND) {
            return false;
        }
        below = parent;
    }
    return false;
}

bool IsKeyAtItsPath(RegKey& opened, HKEY root, const std::wstring& path) {
    if (IdentifyOpenedKey(opened, root, path) != KeyIdentity::Plain) {
        return false;
    }
    // The root's own name, from its first key opened as itself (a predefined root has none).
    const auto first = NativeKeyNameOf(root, path.substr(0, path.find(L'\\')), true);
    std::wstring own;
    if (!first || first->rfind(L'\\') == std::wstring::npos || !opened.ReadName(own)) {
        return false;
    }
    return SameNativeKeyName(own, first->substr(0, first->rfind(L'\\') + 1) + path);
}

bool IsStoreName(const std::wstring& name) {
    return SameRegistryName(name, kStoreName);
}

StoreStatus CheckStore(const EntryPlace& place) {
    switch (IdentifyKey(place.root, place.store)) {
        case KeyIdentity::Missing:
            return StoreStatus::Absent;
        case KeyIdentity::Plain:
            break;
        case KeyIdentity::Link:
        case KeyIdentity::Unknown:
            return StoreStatus::Refused;
    }
    // A plain key: it must be the one right below K, whatever the path went through.
    const auto store = NativeKeyNameOf(place.root, place.store, true);
    const auto key = NativeKeyNameOf(place.root, place.key, false);
    return store && key && SameNativeKeyName(*store, *key + L"\\" + kStoreName) ? StoreStatus::Own
                                                                                : StoreStatus::Refused;
}

bool OpenOwnStore(RegKey& store, const EntryPlace& place, bool create, bool* created) {
    // A store another writer makes between the look and the create is looked at again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (CheckStore(place)) {
            case StoreStatus::Own:
                return store.OpenLink(place.root, place.store, kKeyWriteRights);
            case StoreStatus::Refused:
                return false;
            case StoreStatus::Absent:
                break;
        }
        if (!create) {
            return false;
        }
        if (store.CreateNew(place.root, place.key, kStoreName, KeyTraits{})) {
            if (created != nullptr) {
                *created = true;
            }
            return true;
        }
        if (store.status() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

StoreCleanup DeleteStoreIfEmpty(const EntryPlace& place) {
    RegKey store;
    if (!OpenOwnStore(store, place, false)) {
        return StoreCleanup::Failed;
    }
    const DWORD values = store.ValueCount();
    if (store.status() != ERROR_SUCCESS) {
        return StoreCleanup::Failed;
    }
    const DWORD subKeys = store.SubKeyCount();
    if (store.status() != ERROR_SUCCESS) {
        return StoreCleanup::Failed;
    }
    store.Close();
    if (values != 0 || subKeys != 0) {
        return StoreCleanup::StillInUse;
    }
    RegKey key;
    if (key.OpenRead(place.root, place.key) && key.DeleteSubKey(kStoreName)) {
        return StoreCleanup::Deleted;
    }
    // Another program may have put something into it meanwhile: then it is still in use.
    RegKey again;
    if (OpenOwnStore(again, place, false) && (again.ValueCount() != 0 || again.SubKeyCount() != 0) &&
        again.status() == ERROR_SUCCESS) {
        return StoreCleanup::StillInUse;
    }
    return StoreCleanup::Failed;
}

FileAt PresenceOf(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileAt::Absent : FileAt::Other;
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 ? FileAt::File : FileAt::Other;
}

unique_file HoldPlainFolder(const std::wstring& folder) {
    // Wine shows a link of the host only in the attributes; Windows in the handle's as well.
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return unique_file();
    }
    unique_file held(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!held || !::GetFileInformationByHandle(held.get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return unique_file();
    }
    return held;
}

namespace {

constexpr std::size_t kMaxKeptFileLength = 7999;
constexpr int kMaxKeptCopies = 100;

// The folders a kept copy is written through, from `base` down to the copy's, opened as themselves
// and held open (no one may delete or rename them meanwhile): each must be a plain directory, found
// as one or made here. A link, a junction or any other reparse point would send the copy elsewhere.
class PlainFolders {
public:
    bool OpenDownTo(const std::wstring& base, const std::wstring& file) {
        if (file.compare(0, base.size() + 1, base + L"\\") != 0) {
            return false;
        }
        if (!Hold(base, false)) {
            return false;
        }
        for (std::size_t slash = file.find(L'\\', base.size() + 1); slash != std::wstring::npos;
             slash = file.find(L'\\', slash + 1)) {
            if (!Hold(file.substr(0, slash), true)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Hold(const std::wstring& folder, bool create) {
        if (create && !::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
        unique_file held = HoldPlainFolder(folder);
        if (!held) {
            return false;
        }
        held_.push_back(std::move(held));
        return true;
    }

    std::vector<unique_file> held_;
};

// The copy's file name with its number: " (2)" before the extension.
std::wstring Numbered(const std::wstring& file, int number) {
    if (number == 1) {
        return file;
    }
    const std::size_t dot = file.rfind(L'.');
    const std::size_t slash = file.rfind(L'\\');
    const std::size_t at = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) ? dot : file.size();
    return file.substr(0, at) + L" (" + std::to_wstring(number) + L")" + file.substr(at);
}

}  // namespace

bool KeepNewCopy(const std::wstring& base, const std::wstring& file, const std::string& bytes) {
    for (int number = 1; number <= kMaxKeptCopies; ++number) {
        const std::wstring path = Numbered(file, number);
        if (path.size() > kMaxKeptFileLength) {
            return false;
        }
        PlainFolders folders;
        if (!folders.OpenDownTo(base, path)) {
            return false;
        }
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            continue;  // an earlier copy is never overwritten
        }
        if (!TaskFiles().writeNewFile(path.c_str(), bytes)) {
            return false;
        }
        std::string read;
        if (TaskFiles().readFile(path.c_str(), &read) && read == bytes) {
            return true;
        }
        // Not known to be whole: the registration stays, and a copy that may be partial does not.
        TaskFiles().deleteFile(path.c_str());
        return false;
    }
    return false;
}

}  // namespace tarn
