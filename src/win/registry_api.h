#pragma once

#include "win/call_table.h"
#include "win/native_registry.h"
#include "win/unique_handle.h"

#include <windows.h>

namespace tarn {

// Every registry call the program makes goes through this table, so that a test can make a
// chosen call fail.
struct RegistryApi {
    decltype(&::RegOpenKeyExW) openKeyEx;
    decltype(&::RegCreateKeyExW) createKeyEx;
    decltype(&::RegCloseKey) closeKey;
    decltype(&::RegQueryValueExW) queryValueEx;
    decltype(&::RegSetValueExW) setValueEx;
    decltype(&::RegDeleteValueW) deleteValue;
    decltype(&::RegEnumKeyExW) enumKeyEx;
    decltype(&::RegEnumValueW) enumValue;
    decltype(&::RegQueryInfoKeyW) queryInfoKey;
    decltype(&::RegGetKeySecurity) getKeySecurity;
    decltype(&::RegSetKeySecurity) setKeySecurity;
    // Counted names, for names with a NUL inside, and the deletion of a key by its own handle.
    decltype(&NativeOpenKey) openKeyCounted;
    decltype(&NativeCreateKey) createKeyCounted;
    decltype(&NativeQueryValue) queryValueCounted;
    decltype(&NativeSetValue) setValueCounted;
    decltype(&NativeDeleteValue) deleteValueCounted;
    decltype(&NativeDeleteKey) deleteOpenKey;
    decltype(&NativeQueryKeyFlags) queryKeyFlags;
    decltype(&NativeQueryKeyName) queryKeyName;
    // Hives: another user's, loaded for reading (an app hive, private to this process) or below
    // HKEY_USERS for a change, and unloaded again.
    decltype(&::RegLoadAppKeyW) loadAppKey;
    decltype(&::RegLoadKeyW) loadKey;
    decltype(&::RegUnLoadKeyW) unLoadKey;
};

// The table of the real functions.
const RegistryApi& RealRegistryApi();

using RegistryCalls = CallTable<RegistryApi, RealRegistryApi>;

// The table in use now (the real one unless a test installed another).
inline const RegistryApi& Registry() {
    return RegistryCalls::Current();
}

// Installs another table for the life of the scope; restores the previous one afterwards.
using ScopedRegistryApi = RegistryCalls::Scope;

namespace handle_traits {
// A registry key is closed through the table it was opened through.
struct Hkey {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { Registry().closeKey(h); }
};
}  // namespace handle_traits

using unique_hkey = UniqueAny<handle_traits::Hkey>;

}  // namespace tarn
