#pragma once

#include "fileinfo/signature_codes.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <mscat.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tarn {

// The trust entry points looked up in "wintrust.dll" at run time, in lookup order.
struct TrustEntryPoints {
    decltype(&::CryptCATAdminAcquireContext) acquireContext = nullptr;
    decltype(&::CryptCATAdminReleaseContext) releaseContext = nullptr;
    decltype(&::CryptCATAdminCalcHashFromFileHandle) calcHashFromFileHandle = nullptr;
    decltype(&::CryptCATAdminEnumCatalogFromHash) enumCatalogFromHash = nullptr;
    decltype(&::CryptCATCatalogInfoFromContext) catalogInfoFromContext = nullptr;
    decltype(&::CryptCATAdminReleaseCatalogContext) releaseCatalogContext = nullptr;
    decltype(&::WinVerifyTrust) winVerifyTrust = nullptr;
    decltype(&::WTHelperProvDataFromStateData) provDataFromStateData = nullptr;
    decltype(&::WTHelperGetProvCertFromChain) getProvCertFromChain = nullptr;
    decltype(&::WTHelperGetProvSignerFromChain) getProvSignerFromChain = nullptr;

    bool Complete() const;
};

// Loads "wintrust.dll" from the system folder, resolves the entry points and acquires the catalog
// administrator context; what it obtained is kept when a later step fails. Process start only.
uint32_t InitSignatureVerifier();

// Releases the context, forgets the entry points and unloads the library. Process end only.
uint32_t ReleaseSignatureVerifier();

// Verifies the embedded signature, else the catalog membership of the file's hash. On
// SignatureValid the signer's common name is in `signerName`; `isSigned` becomes 1 as soon as a
// trust verification succeeds. Safe to call from several threads at once.
uint32_t VerifyFileSignature(const wchar_t* path, wchar_t* signerName, std::size_t capacity, int32_t& isSigned);

// The certificate that signed the file (its own embedded signature, verified), as encoded; nothing
// for a file that carries no valid signature of its own. The verifier must be initialised.
std::optional<std::vector<uint8_t>> EmbeddedSignerCertificate(const wchar_t* path);

// Whether a file carries a valid signature of its own by the very certificate that signed
// `reference` (a file not signed, or signed otherwise, is not).
bool SignedAlike(const wchar_t* path, const wchar_t* reference);

// Replaces the entry points in use (the catalog path cannot be reached on a machine without
// catalogs); returns the table that was in use. Not for use while verifications run.
TrustEntryPoints ExchangeTrustEntryPoints(const TrustEntryPoints& replacement);

}  // namespace tarn
