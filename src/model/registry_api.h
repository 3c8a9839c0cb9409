#pragma once

#include <windows.h>

namespace tarn {

// Every advapi32 registry call the program makes goes through this table, so that a test can
// make a chosen call fail.
struct RegistryApi {
    decltype(&::RegOpenKeyExW) openKeyEx;
    decltype(&::RegCreateKeyExW) createKeyEx;
    decltype(&::RegCloseKey) closeKey;
    decltype(&::RegQueryValueExW) queryValueEx;
    decltype(&::RegSetValueExW) setValueEx;
    decltype(&::RegDeleteValueW) deleteValue;
    decltype(&::RegDeleteKeyW) deleteKey;
    decltype(&::RegEnumKeyExW) enumKeyEx;
    decltype(&::RegEnumKeyW) enumKey;
    decltype(&::RegEnumValueW) enumValue;
    decltype(&::RegQueryInfoKeyW) queryInfoKey;
};

// The table of the real advapi32 functions.
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
