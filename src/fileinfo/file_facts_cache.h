#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace tarn {

// What a scan shows of one file, read once.
struct FileFacts {
    std::wstring description;
    std::wstring company;
    std::wstring fileVersion;
    std::wstring fileTime;
    int32_t sizeKB = -1;
};

struct SignatureFacts {
    uint32_t code = 0;
    std::wstring signer;
    int32_t isSigned = 0;
};

// One scan's facts and signature results, by file, each computed once however many entries (and
// page threads) ask. Files change between scans: each scan has a cache of its own.
class FileFactsCache {
public:
    // The results live as long as the cache: callers may hold on to them for the scan.
    const FileFacts& Facts(const std::wstring& path);
    // Verifies outside any lock the cache holds for other files; a second caller for the same
    // file waits for the first one's result instead of verifying again.
    const SignatureFacts& Signature(const std::wstring& path);

    // The SHA-256 of the file's contents as hex; empty when it cannot be read.
    const std::wstring& Sha256(const std::wstring& path);
    // Whether the path names an existing file or folder, asked when the rows are checked (after
    // enumeration: a file may go in between, and must then show as missing).
    bool Exists(const std::wstring& path);

    // How often the cache really read a file's facts, verified a signature or hashed a file.
    std::size_t factReads() const;
    std::size_t verifications() const;
    std::size_t hashes() const;

private:
    template <typename T>
    struct Slot {
        std::once_flag once;
        T value;
    };
    template <typename T>
    std::shared_ptr<Slot<T>> SlotFor(std::map<std::wstring, std::shared_ptr<Slot<T>>>& slots, const std::wstring& path);
    // The file's value in `slots`, computed by the first caller only and counted in `counter`.
    template <typename T, typename Compute>
    const T& Once(std::map<std::wstring, std::shared_ptr<Slot<T>>>& slots, const std::wstring& path, std::size_t& counter,
           Compute compute);

    mutable std::mutex mutex_;
    std::map<std::wstring, std::shared_ptr<Slot<FileFacts>>> facts_;
    std::map<std::wstring, std::shared_ptr<Slot<SignatureFacts>>> signatures_;
    std::map<std::wstring, std::shared_ptr<Slot<std::wstring>>> hashes_;
    std::map<std::wstring, std::shared_ptr<Slot<bool>>> existence_;
    std::size_t existenceChecks_ = 0;
    std::size_t factReads_ = 0;
    std::size_t verifications_ = 0;
    std::size_t hashCount_ = 0;
};

// The cache of the scan that runs now; none outside a scan, where every call reads the file.
std::shared_ptr<FileFactsCache> CurrentFileFacts();

// A scan's cache, current from construction to destruction.
class FileFactsScope {
public:
    FileFactsScope();
    ~FileFactsScope();
    FileFactsScope(const FileFactsScope&) = delete;
    FileFactsScope& operator=(const FileFactsScope&) = delete;

    FileFactsCache& cache() const { return *cache_; }

private:
    std::shared_ptr<FileFactsCache> cache_;
};

// Reads the facts of a file (no cache).
FileFacts ReadFileFacts(const std::wstring& path);
// Verifies a file's signature (no cache).
SignatureFacts VerifyFileFacts(const std::wstring& path);

}  // namespace tarn
