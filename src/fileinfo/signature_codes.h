#pragma once

#include <cstdint>

namespace tarn {

// Result codes of the signature verifier. Every code but SignatureValid reads as "无签名".
constexpr uint32_t SignatureValid = 0;
constexpr uint32_t SignatureNotSigned = 0xE001;            // no valid embedded or catalog signature
constexpr uint32_t SignatureNoTrustLibrary = 0xE002;       // "wintrust.dll" cannot be loaded
constexpr uint32_t SignatureMissingEntryPoint = 0xE003;    // one of the ten entry points is missing
constexpr uint32_t SignatureNoCatalogContext = 0xE004;     // catalog administrator context not acquired
constexpr uint32_t SignatureContextReleaseFailed = 0xE005;
constexpr uint32_t SignatureLibraryUnloadFailed = 0xE006;
constexpr uint32_t SignatureNotInitialised = 0xE007;       // verification asked while the state is incomplete
constexpr uint32_t SignatureFileUnreadable = 0xE008;       // the file cannot be opened for hashing
constexpr uint32_t SignatureNoCommonName = 0xE009;         // valid, but no signer common name
constexpr uint32_t SignatureNameTooLong = 0xE00A;          // the common name does not fit the caller's buffer

}  // namespace tarn
