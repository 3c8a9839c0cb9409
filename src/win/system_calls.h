#pragma once

// Entry points of the system DLLs that Windows does not always load from its own folder (they are
// no KnownDLLs): loaded at run time by full path from the system folder, never imported, so that a
// DLL of that name beside the program (a Downloads folder, say) never runs in it.

#include <windows.h>
#include <wincrypt.h>

namespace tarn {

struct VersionCalls {
    decltype(&::GetFileVersionInfoSizeW) infoSize = nullptr;
    decltype(&::GetFileVersionInfoW) info = nullptr;
    decltype(&::VerQueryValueW) queryValue = nullptr;
};

struct CryptCalls {
    decltype(&::CertNameToStrW) nameToStr = nullptr;
    decltype(&::CertOpenSystemStoreW) openSystemStore = nullptr;
    decltype(&::CertEnumCertificatesInStore) enumCertificates = nullptr;
    decltype(&::CertGetCertificateChain) getChain = nullptr;
    decltype(&::CertFreeCertificateChain) freeChain = nullptr;
    decltype(&::CertFreeCertificateContext) freeCertificate = nullptr;
    decltype(&::CertCloseStore) closeStore = nullptr;
};

// The entry points of "version.dll" and "crypt32.dll" from the system folder, loaded on first use
// and kept for the process; null when the library or one of them is missing.
const VersionCalls* Version();
const CryptCalls* Crypt();

// The first thing each program does: later loads, Windows' own included, search the system folder
// only, never the program's folder or the current one (where the system offers it).
void LoadLibrariesFromTheSystemFolderOnly();

}  // namespace tarn
