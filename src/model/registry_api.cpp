#include "model/registry_api.h"

#include <atomic>

namespace tarn {

namespace {

const RegistryApi kRealRegistryApi = {
    ::RegOpenKeyExW,     ::RegCreateKeyExW, ::RegCloseKey,       ::RegQueryValueExW, ::RegSetValueExW,
    ::RegDeleteValueW,   ::RegEnumKeyExW,   ::RegEnumValueW,     ::RegQueryInfoKeyW, ::RegGetKeySecurity,
    ::RegSetKeySecurity, NativeOpenKey,     NativeCreateKey,     NativeQueryValue,   NativeSetValue,
    NativeDeleteValue,   NativeDeleteKey,   NativeQueryKeyFlags, NativeQueryKeyName,
};

std::atomic<const RegistryApi*> g_activeApi{&kRealRegistryApi};

}  // namespace

const RegistryApi& RealRegistryApi() {
    return kRealRegistryApi;
}

const RegistryApi& Registry() {
    return *g_activeApi.load(std::memory_order_acquire);
}

ScopedRegistryApi::ScopedRegistryApi(const RegistryApi& replacement)
    : previous_(g_activeApi.exchange(&replacement, std::memory_order_acq_rel)) {}

ScopedRegistryApi::~ScopedRegistryApi() {
    g_activeApi.store(previous_, std::memory_order_release);
}

}  // namespace tarn
