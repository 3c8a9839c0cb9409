#pragma once

#include "model/native_registry.h"

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
};

// The table of the real functions.
const RegistryApi& RealRegistryApi();

// The table in use now (the real one unless a test installed another).
const RegistryApi& Registry();

// Installs another table for the life of the scope; restores the previous one afterwards.
class ScopedRegistryApi {
public:
    explicit ScopedRegistryApi(const RegistryApi& replacement);
    ~ScopedRegistryApi();
    ScopedRegistryApi(const ScopedRegistryApi&) = delete;
    ScopedRegistryApi& operator=(const ScopedRegistryApi&) = delete;

private:
    const RegistryApi* previous_;
};

}  // namespace tarn
