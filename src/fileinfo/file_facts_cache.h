#pragma once

#include "base/scan_scope.h"
#include "fileinfo/listing_cache.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    FileFactsCache() = default;
    // Stops the verifying thread; files it has not begun are left to whoever asks.
    ~FileFactsCache();
    FileFactsCache(const FileFactsCache&) = delete;
    FileFactsCache& operator=(const FileFactsCache&) = delete;

    // The results live as long as the cache: callers may hold on to them for the scan.
    const FileFacts& Facts(const std::wstring& path);
    // Verifies outside any lock the cache holds for other files; a second caller for the same
    // file waits for the first one's result instead of verifying again.
    const SignatureFacts& Signature(const std::wstring& path);
    // The shell's small icon of the file, owned by the cache; null when the shell has none.
    HICON SmallIcon(const std::wstring& path);

    // Starts on a thread of the cache's own, in the order given, what the pages will ask of these
    // files: the icon, and the signature when `verify` is set. A later call finds the result ready;
    // each file is still read once in all.
    void Prefetch(const std::vector<std::wstring>& paths, bool verify);
    // Drops the files that thread has not begun: those are read when first asked.
    void DropPrefetches();

    // The SHA-256 of the file's contents as hex; empty when it cannot be read.
    const std::wstring& Sha256(const std::wstring& path);
    // Whether the path names an existing file or folder, asked when the rows are checked (after
    // enumeration: a file may go in between, and must then show as missing).
    bool Exists(const std::wstring& path);
    // Whether a path the image path resolver tries exists: asked of the file system once per
    // path in a scan, whichever entry's command it comes from, and not at all where a folder
    // listing shows that no folder can be where the path needs one, or (with `trustUnlisted`)
    // that its listing holds no such name; `unlisted` is set when it did not. Kept apart from
    // Exists, which must see a file that went after enumeration.
    bool CandidateExists(const std::wstring& path, bool trustUnlisted, bool& unlisted);

    // How often the cache really read a file's facts, verified a signature or hashed a file.
    std::size_t factReads() const;
    std::size_t verifications() const;
    std::size_t hashes() const;
    std::size_t iconReads() const;
    // How many candidate paths were asked of the file system, and how many folders were listed.
    std::size_t candidateTests() const;
    std::size_t folderListings() const;

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
    const T& Once(std::map<std::wstring, std::shared_ptr<Slot<T>>>& slots,
                  const std::wstring& path,
                  std::size_t& counter,
                  Compute compute);

    struct PrefetchItem {
        std::wstring path;
        bool verify = false;
    };
    void RunPrefetches();
    std::size_t CountOf(const std::size_t& counter) const;

    mutable std::mutex mutex_;
    std::map<std::wstring, std::shared_ptr<Slot<FileFacts>>> facts_;
    std::map<std::wstring, std::shared_ptr<Slot<SignatureFacts>>> signatures_;
    std::map<std::wstring, std::shared_ptr<Slot<std::wstring>>> hashes_;
    std::map<std::wstring, std::shared_ptr<Slot<bool>>> existence_;
    std::map<std::wstring, std::shared_ptr<Slot<bool>>> candidates_;
    std::size_t candidateTests_ = 0;
    ListingCache listings_;
    std::map<std::wstring, std::shared_ptr<Slot<unique_hicon>>> icons_;
    std::size_t existenceChecks_ = 0;
    std::size_t factReads_ = 0;
    std::size_t verifications_ = 0;
    std::size_t hashCount_ = 0;
    std::size_t iconCount_ = 0;

    std::mutex prefetchMutex_;
    std::condition_variable prefetchWake_;
    std::deque<PrefetchItem> prefetchQueue_;
    // Each file queued, by folded path, and whether it was queued for verifying.
    std::map<std::wstring, bool> prefetchSeen_;
    bool prefetchStopping_ = false;
    std::thread prefetchThread_;
};

// A scan's cache, current from construction to destruction.
using FileFactsScope = ScanScope<FileFactsCache>;

// The cache of the scan that runs now; none outside a scan, where every call reads the file.
inline std::shared_ptr<FileFactsCache> CurrentFileFacts() {
    return FileFactsScope::Current();
}

// Reads the facts of a file (no cache).
FileFacts ReadFileFacts(const std::wstring& path);
// Verifies a file's signature (no cache).
SignatureFacts VerifyFileFacts(const std::wstring& path);

}  // namespace tarn
