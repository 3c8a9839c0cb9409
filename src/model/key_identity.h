#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarn {

// What a key path reaches: a key of its own, a link (to another key or to none), or nothing.
enum class KeyIdentity { Plain, Link, Missing, Unknown };

// Tells a link by the key's own flags where the platform reports them, else by whether the key
// opened as a link and the key reached by following it are one key (the same native name). A
// value named like a link's never makes a plain key a link. Unknown when it cannot be told.
KeyIdentity IdentifyKey(HKEY root, const std::wstring& path);

class RegKey;
// The same for the key at `path` that `asLink` holds, opened as a link.
KeyIdentity IdentifyOpenedKey(RegKey& asLink, HKEY root, const std::wstring& path);

// The native name ("\REGISTRY\...") of the key reached by `path` below `root`, following links
// unless `asLink`; nothing when it cannot be opened or named.
std::optional<std::wstring> NativeKeyNameOf(HKEY root, const std::wstring& path, bool asLink);

// Whether two native key names name one key (the registry compares names without regard to case).
bool SameNativeKeyName(const std::wstring& a, const std::wstring& b);

}  // namespace tarn
