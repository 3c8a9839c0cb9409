#include "win/registry_api.h"

namespace tarn {

namespace {

const RegistryApi kRealRegistryApi = {
    ::RegOpenKeyExW,     ::RegCreateKeyExW, ::RegCloseKey,       ::RegQueryValueExW, ::RegSetValueExW,
    ::RegDeleteValueW,   ::RegEnumKeyExW,   ::RegEnumValueW,     ::RegQueryInfoKeyW, ::RegGetKeySecurity,
    ::RegSetKeySecurity, NativeOpenKey,     NativeCreateKey,     NativeQueryValue,   NativeSetValue,
    NativeDeleteValue,   NativeDeleteKey,   NativeQueryKeyFlags, NativeQueryKeyName, ::RegLoadAppKeyW,
    ::RegLoadKeyW,       ::RegUnLoadKeyW,
};

}  // namespace

const RegistryApi& RealRegistryApi() {
    return kRealRegistryApi;
}

}  // namespace tarn
