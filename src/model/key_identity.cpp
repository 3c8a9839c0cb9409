#include "model/key_identity.h"

#include "base/registry_names.h"
#include "win/native_registry.h"
#include "model/reg_key.h"

namespace tarn {

std::optional<std::wstring> NativeKeyNameOf(HKEY root, const std::wstring& path, bool asLink) {
    RegKey key;
    const bool opened = asLink ? key.OpenLink(root, path, KEY_QUERY_VALUE) : key.OpenRead(root, path);
    std::wstring name;
    if (!opened || !key.ReadName(name)) {
        return std::nullopt;
    }
    return name;
}

bool SameNativeKeyName(const std::wstring& a, const std::wstring& b) {
    return SameRegistryName(a, b);
}

KeyIdentity IdentifyKey(HKEY root, const std::wstring& path) {
    RegKey key;
    if (!key.OpenLink(root, path, KEY_QUERY_VALUE)) {
        return key.status() == ERROR_FILE_NOT_FOUND ? KeyIdentity::Missing : KeyIdentity::Unknown;
    }
    return IdentifyOpenedKey(key, root, path);
}

KeyIdentity IdentifyOpenedKey(RegKey& key, HKEY root, const std::wstring& path) {
    DWORD flags = 0;
    if (key.ReadFlags(flags)) {
        return (flags & kKeyFlagLink) != 0 ? KeyIdentity::Link : KeyIdentity::Plain;
    }
    std::wstring own;
    if (!key.ReadName(own)) {
        return KeyIdentity::Unknown;
    }
    RegKey followed;
    // The key itself is there, what it leads to is not: a link that points nowhere. Asked twice, so
    // that a passing failure does not make a plain key a link.
    for (int attempt = 0; attempt < 2 && !followed.OpenRead(root, path); ++attempt) {
        if (followed.status() != ERROR_FILE_NOT_FOUND) {
            return KeyIdentity::Unknown;
        }
        if (attempt == 1) {
            return KeyIdentity::Link;
        }
    }
    std::wstring reached;
    if (!followed.ReadName(reached)) {
        return KeyIdentity::Unknown;
    }
    return SameNativeKeyName(own, reached) ? KeyIdentity::Plain : KeyIdentity::Link;
}

}  // namespace tarn
