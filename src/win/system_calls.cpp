#include "win/system_calls.h"

#include "win/system_library.h"

namespace tarn {

namespace {

template <typename Calls, typename Resolve>
const Calls* LoadOnce(const wchar_t* library, Resolve resolve) {
    static const Calls* const calls = [&]() -> const Calls* {
        const HMODULE module = LoadSystemLibrary(library);
        if (module == nullptr) {
            return nullptr;
        }
        static Calls loaded;
        return resolve(module, loaded) ? &loaded : nullptr;
    }();
    return calls;
}

}  // namespace

const VersionCalls* Version() {
    return LoadOnce<VersionCalls>(L"version.dll", [](HMODULE module, VersionCalls& calls) {
        ResolveEntryPoint(module, "GetFileVersionInfoSizeW", calls.infoSize);
        ResolveEntryPoint(module, "GetFileVersionInfoW", calls.info);
        ResolveEntryPoint(module, "VerQueryValueW", calls.queryValue);
        return calls.infoSize != nullptr && calls.info != nullptr && calls.queryValue != nullptr;
    });
}

const CryptCalls* Crypt() {
    return LoadOnce<CryptCalls>(L"crypt32.dll", [](HMODULE module, CryptCalls& calls) {
        ResolveEntryPoint(module, "CertNameToStrW", calls.nameToStr);
        ResolveEntryPoint(module, "CertOpenSystemStoreW", calls.openSystemStore);
        ResolveEntryPoint(module, "CertEnumCertificatesInStore", calls.enumCertificates);
        ResolveEntryPoint(module, "CertGetCertificateChain", calls.getChain);
        ResolveEntryPoint(module, "CertFreeCertificateChain", calls.freeChain);
        ResolveEntryPoint(module, "CertFreeCertificateContext", calls.freeCertificate);
        ResolveEntryPoint(module, "CertCloseStore", calls.closeStore);
        return calls.nameToStr != nullptr && calls.openSystemStore != nullptr && calls.enumCertificates != nullptr &&
               calls.getChain != nullptr && calls.freeChain != nullptr && calls.freeCertificate != nullptr &&
               calls.closeStore != nullptr;
    });
}

void LoadLibrariesFromTheSystemFolderOnly() {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    BOOL(WINAPI * setDefaultDirectories)(DWORD) = nullptr;
    ResolveEntryPoint(kernel, "SetDefaultDllDirectories", setDefaultDirectories);
    if (setDefaultDirectories != nullptr) {
        setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Older systems without it still drop the current folder from the search.
    ::SetDllDirectoryW(L"");
}

}  // namespace tarn
