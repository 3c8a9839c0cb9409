#include "fileinfo/file_hash.h"

#include "win/system_library.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <bcrypt.h>

#include <string>
#include <vector>

namespace tarn {

namespace {

constexpr DWORD kBlockBytes = 1 << 16;
constexpr ULONG kDigestBytes = 32;

// The crypto provider's calls, loaded from the system folder on first use: the programs do not
// import the library, so they still start where it is absent (it came with Vista).
struct CryptoProvider {
    decltype(&::BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
    decltype(&::BCryptCreateHash) createHash = nullptr;
    decltype(&::BCryptHashData) hashData = nullptr;
    decltype(&::BCryptFinishHash) finishHash = nullptr;
    decltype(&::BCryptDestroyHash) destroyHash = nullptr;

    bool Complete() const {
        return openAlgorithm && closeAlgorithm && createHash && hashData && finishHash && destroyHash;
    }
};

const CryptoProvider& Provider() {
    static const CryptoProvider provider = [] {
        CryptoProvider loaded;
        // Kept loaded for the life of the process.
        const HMODULE library = LoadSystemLibrary(L"bcrypt.dll");
        if (library == nullptr) {
            return loaded;
        }
        ResolveEntryPoint(library, "BCryptOpenAlgorithmProvider", loaded.openAlgorithm);
        ResolveEntryPoint(library, "BCryptCloseAlgorithmProvider", loaded.closeAlgorithm);
        ResolveEntryPoint(library, "BCryptCreateHash", loaded.createHash);
        ResolveEntryPoint(library, "BCryptHashData", loaded.hashData);
        ResolveEntryPoint(library, "BCryptFinishHash", loaded.finishHash);
        ResolveEntryPoint(library, "BCryptDestroyHash", loaded.destroyHash);
        return loaded;
    }();
    return provider;
}

struct AlgorithmTraits {
    using pointer = BCRYPT_ALG_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer handle) noexcept { Provider().closeAlgorithm(handle, 0); }
};

struct HashTraits {
    using pointer = BCRYPT_HASH_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer handle) noexcept { Provider().destroyHash(handle); }
};

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

}  // namespace

std::optional<std::wstring> Sha256OfFile(const std::wstring& path) {
    const CryptoProvider& crypto = Provider();
    if (!crypto.Complete()) {
        return std::nullopt;
    }
    const unique_file file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        return std::nullopt;
    }
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!Succeeded(crypto.openAlgorithm(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return std::nullopt;
    }
    const UniqueAny<AlgorithmTraits> algorithm(rawAlgorithm);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!Succeeded(crypto.createHash(algorithm.get(), &rawHash, nullptr, 0, nullptr, 0, 0))) {
        return std::nullopt;
    }
    const UniqueAny<HashTraits> hash(rawHash);
    std::vector<UCHAR> block(kBlockBytes);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), block.data(), kBlockBytes, &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            break;
        }
        if (!Succeeded(crypto.hashData(hash.get(), block.data(), read, 0))) {
            return std::nullopt;
        }
    }
    UCHAR digest[kDigestBytes] = {};
    if (!Succeeded(crypto.finishHash(hash.get(), digest, kDigestBytes, 0))) {
        return std::nullopt;
    }
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring text;
    for (const UCHAR byte : digest) {
        text.push_back(kHex[byte >> 4]);
        text.push_back(kHex[byte & 0xF]);
    }
    return text;
}

}  // namespace tarn
