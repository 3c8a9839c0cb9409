#pragma once

#include "base/registry_view.h"

#include <windows.h>

#include <optional>
#include <string>

namespace tarn {

class RegKey;

// The class key of a COM class as the view's processes find it below HKEY_CLASSES_ROOT.
std::wstring ClassKeyOfView(const std::wstring& clsid, RegistryView view);

// Whose classes a look-up sees: the current user's (HKEY_CLASSES_ROOT: their own over the
// machine's), or another user's own classes over the machine's (`userClasses` null where that
// user has none). HKEY_CLASSES_ROOT never answers for another user.
struct ClassesOf {
    bool otherUser = false;
    HKEY userClasses = nullptr;
};

// Opens `path` below the classes root as `classes` see it.
bool OpenClassKey(RegKey& key, const std::wstring& path, const ClassesOf& classes);

// The class's name (its key's default value) and the DLL of its in-process server, as the view's
// processes find them; nothing when the key or the value is not there. A class that names another
// in "TreatAs" is served by that one's server.
std::optional<std::wstring> ClassName(const std::wstring& clsid, RegistryView view, const ClassesOf& classes = {});
std::optional<std::wstring> ClassServerDll(const std::wstring& clsid, RegistryView view, const ClassesOf& classes = {});

// The server a class key names below `root` at `classKeyPath` ("…\CLSID\{…}"); nothing when none.
// A user's own class key is what Windows loads for that user instead of the machine's.
std::optional<std::wstring> ServerDllAt(HKEY root, const std::wstring& classKeyPath);

}  // namespace tarn
