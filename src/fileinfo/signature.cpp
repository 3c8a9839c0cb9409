#include "fileinfo/signature.h"

#include "win/system_calls.h"

#include "win/system_library.h"

#include "fileinfo/signature_text.h"
#include "win/unique_handle.h"

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

namespace {

// WINTRUST_ACTION_GENERIC_VERIFY_V2
GUID kGenericVerifyV2 = {0x00AAC56B, 0xCD44, 0x11D0, {0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};

// The records as first published; later SDKs append fields the verifier does not use.
constexpr DWORD kTrustDataSize = offsetof(WINTRUST_DATA, dwUIContext) + sizeof(DWORD);
constexpr DWORD kCatalogInfoSize = offsetof(WINTRUST_CATALOG_INFO, pcCatalogContext) + sizeof(PCCTL_CONTEXT);
static_assert(sizeof(void*) != 4 || (kTrustDataSize == 48 && kCatalogInfoSize == 36), "published 32-bit sizes");

constexpr DWORD kHashCapacity = 100;
constexpr DWORD kSubjectCapacity = 4096;
constexpr std::size_t kCatalogFileCount = sizeof(CATALOG_INFO::wszCatalogFile) / sizeof(WCHAR);

struct VerifierState {
    HMODULE library = nullptr;
    HCATADMIN context = nullptr;
    TrustEntryPoints entry;
};

VerifierState g_state;

// The catalog administrator context keeps a search handle of its own between calls, so two
// threads must not look catalogs up through it at the same time.
std::mutex g_catalogLookup;

WINTRUST_DATA TrustRequest(DWORD unionChoice) {
    WINTRUST_DATA data{};
    data.cbStruct = kTrustDataSize;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = unionChoice;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    return data;
}

// One verify-action call whose trust state is closed on every path.
class TrustVerification {
public:
    TrustVerification(const TrustEntryPoints& entry, WINTRUST_DATA& data)
        : entry_(entry), data_(data), result_(entry.winVerifyTrust(NoWindow(), &kGenericVerifyV2, &data)) {}
    ~TrustVerification() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        entry_.winVerifyTrust(NoWindow(), &kGenericVerifyV2, &data_);
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;

    // Only zero means trusted: the platform also answers with positive error codes (2 for a
    // file that does not exist), which must not count as a valid signature.
    bool succeeded() const { return result_ == ERROR_SUCCESS; }

private:
    static HWND NoWindow() { return static_cast<HWND>(INVALID_HANDLE_VALUE); }

    const TrustEntryPoints& entry_;
    WINTRUST_DATA& data_;
    LONG result_;
};

uint32_t ExtractSigner(const TrustEntryPoints& entry, HANDLE stateData, wchar_t* signerName, std::size_t capacity) {
    CRYPT_PROVIDER_DATA* provider = entry.provDataFromStateData(stateData);
    if (provider == nullptr) {
        return SignatureNoCommonName;
    }
    CRYPT_PROVIDER_SGNR* signer = entry.getProvSignerFromChain(provider, 0, FALSE, 0);
    if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr ||
        signer->pasCertChain[0].pCert == nullptr || signer->pasCertChain[0].pCert->pCertInfo == nullptr) {
        return SignatureNoCommonName;
    }
    const CryptCalls* crypt = Crypt();
    if (crypt == nullptr) {
        return SignatureNoCommonName;
    }
    std::vector<wchar_t> subject(kSubjectCapacity, L'\0');
    crypt->nameToStr(X509_ASN_ENCODING, &signer->pasCertChain[0].pCert->pCertInfo->Subject, CERT_X500_NAME_STR,
                     subject.data(), kSubjectCapacity);
    subject.back() = L'\0';
    return ParseCommonName(subject.data(), signerName, capacity);
}

uint32_t VerifyEmbedded(const TrustEntryPoints& entry,
                        const wchar_t* path,
                        wchar_t* signerName,
                        std::size_t capacity,
                        int32_t& isSigned,
                        bool& verified) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path;
    WINTRUST_DATA data = TrustRequest(WTD_CHOICE_FILE);
    data.pFile = &file;
    TrustVerification verification(entry, data);
    verified = verification.succeeded();
    if (!verified) {
        return SignatureNotSigned;
    }
    isSigned = 1;
    return ExtractSigner(entry, data.hWVTStateData, signerName, capacity);
}

// The file name of the catalog that lists this hash; nothing when none does.
std::optional<std::wstring> FindCatalogFile(const TrustEntryPoints& entry,
                                            HCATADMIN context,
                                            BYTE* hash,
                                            DWORD hashLength) {
    std::lock_guard<std::mutex> lock(g_catalogLookup);
    HCATINFO catalog = entry.enumCatalogFromHash(context, hash, hashLength, 0, nullptr);
    if (catalog == nullptr) {
        return std::nullopt;
    }
    CATALOG_INFO info{};
    info.cbStruct = sizeof info;
    entry.catalogInfoFromContext(catalog, &info, 0);
    info.wszCatalogFile[kCatalogFileCount - 1] = L'\0';
    std::wstring file(info.wszCatalogFile);
    entry.releaseCatalogContext(context, catalog, 0);
    return file;
}

uint32_t VerifyByCatalog(const TrustEntryPoints& entry,
                         HCATADMIN context,
                         const wchar_t* path,
                         wchar_t* signerName,
                         std::size_t capacity,
                         int32_t& isSigned) {
    BYTE hash[kHashCapacity] = {};
    DWORD hashLength = kHashCapacity;
    {
        const unique_file file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) {
            return SignatureFileUnreadable;
        }
        entry.calcHashFromFileHandle(file.get(), &hashLength, hash, 0);
    }
    hashLength = std::min(hashLength, kHashCapacity);

    const auto catalogFile = FindCatalogFile(entry, context, hash, hashLength);
    if (!catalogFile) {
        return SignatureNotSigned;
    }
    const std::wstring tag = HashMemberTag(hash, hashLength);

    WINTRUST_CATALOG_INFO member{};
    member.cbStruct = kCatalogInfoSize;
    member.pcwszCatalogFilePath = catalogFile->c_str();
    member.pcwszMemberTag = tag.c_str();
    member.pcwszMemberFilePath = path;
    WINTRUST_DATA data = TrustRequest(WTD_CHOICE_CATALOG);
    data.pCatalog = &member;
    TrustVerification verification(entry, data);
    if (!verification.succeeded()) {
        return SignatureNotSigned;
    }
    isSigned = 1;
    return ExtractSigner(entry, data.hWVTStateData, signerName, capacity);
}

}  // namespace

bool TrustEntryPoints::Complete() const {
    return acquireContext && releaseContext && calcHashFromFileHandle && enumCatalogFromHash &&
           catalogInfoFromContext && releaseCatalogContext && winVerifyTrust && provDataFromStateData &&
           getProvCertFromChain && getProvSignerFromChain;
}

uint32_t InitSignatureVerifier() {
    if (g_state.library == nullptr) {
        // Only the system's copy: a planted one beside the program must never run in it.
        g_state.library = LoadSystemLibrary(L"wintrust.dll");
        if (g_state.library == nullptr) {
            return SignatureNoTrustLibrary;
        }
    }
    TrustEntryPoints& entry = g_state.entry;
    if (!entry.Complete()) {
        HMODULE library = g_state.library;
        ResolveEntryPoint(library, "CryptCATAdminAcquireContext", entry.acquireContext);
        ResolveEntryPoint(library, "CryptCATAdminReleaseContext", entry.releaseContext);
        ResolveEntryPoint(library, "CryptCATAdminCalcHashFromFileHandle", entry.calcHashFromFileHandle);
        ResolveEntryPoint(library, "CryptCATAdminEnumCatalogFromHash", entry.enumCatalogFromHash);
        ResolveEntryPoint(library, "CryptCATCatalogInfoFromContext", entry.catalogInfoFromContext);
        ResolveEntryPoint(library, "CryptCATAdminReleaseCatalogContext", entry.releaseCatalogContext);
        ResolveEntryPoint(library, "WinVerifyTrust", entry.winVerifyTrust);
        ResolveEntryPoint(library, "WTHelperProvDataFromStateData", entry.provDataFromStateData);
        ResolveEntryPoint(library, "WTHelperGetProvCertFromChain", entry.getProvCertFromChain);
        ResolveEntryPoint(library, "WTHelperGetProvSignerFromChain", entry.getProvSignerFromChain);
        if (!entry.Complete()) {
            return SignatureMissingEntryPoint;
        }
    }
    if (g_state.context == nullptr) {
        HCATADMIN context = nullptr;
        if (!entry.acquireContext(&context, nullptr, 0)) {
            g_state.context = nullptr;
            return SignatureNoCatalogContext;
        }
        g_state.context = context;
    }
    return SignatureValid;
}

uint32_t ReleaseSignatureVerifier() {
    if (g_state.context != nullptr) {
        if (g_state.entry.releaseContext == nullptr || !g_state.entry.releaseContext(g_state.context, 0)) {
            return SignatureContextReleaseFailed;
        }
        g_state.context = nullptr;
    }
    g_state.entry = TrustEntryPoints{};
    if (g_state.library != nullptr) {
        if (!::FreeLibrary(g_state.library)) {
            return SignatureLibraryUnloadFailed;
        }
        g_state.library = nullptr;
    }
    return SignatureValid;
}

uint32_t VerifyFileSignature(const wchar_t* path, wchar_t* signerName, std::size_t capacity, int32_t& isSigned) {
    const TrustEntryPoints& entry = g_state.entry;
    const HCATADMIN context = g_state.context;
    if (context == nullptr || !entry.Complete()) {
        return SignatureNotInitialised;
    }
    isSigned = 0;
    bool verified = false;
    const uint32_t embedded = VerifyEmbedded(entry, path, signerName, capacity, isSigned, verified);
    if (verified) {
        return embedded;
    }
    return VerifyByCatalog(entry, context, path, signerName, capacity, isSigned);
}

std::optional<std::vector<uint8_t>> EmbeddedSignerCertificate(const wchar_t* path) {
    const TrustEntryPoints& entry = g_state.entry;
    if (!entry.Complete()) {
        return std::nullopt;
    }
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path;
    WINTRUST_DATA data = TrustRequest(WTD_CHOICE_FILE);
    data.pFile = &file;
    const TrustVerification verification(entry, data);
    if (!verification.succeeded()) {
        return std::nullopt;
    }
    CRYPT_PROVIDER_DATA* provider = entry.provDataFromStateData(data.hWVTStateData);
    CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? entry.getProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr ||
        signer->pasCertChain[0].pCert == nullptr || signer->pasCertChain[0].pCert->pbCertEncoded == nullptr) {
        return std::nullopt;
    }
    const PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    return std::vector<uint8_t>(certificate->pbCertEncoded, certificate->pbCertEncoded + certificate->cbCertEncoded);
}

bool SignedAlike(const wchar_t* path, const wchar_t* reference) {
    const auto signer = EmbeddedSignerCertificate(path);
    return signer && signer == EmbeddedSignerCertificate(reference);
}

TrustEntryPoints ExchangeTrustEntryPoints(const TrustEntryPoints& replacement) {
    TrustEntryPoints previous = g_state.entry;
    g_state.entry = replacement;
    return previous;
}

}  // namespace tarn
