#include "fileinfo/file_facts_cache.h"

#include "base/registry_names.h"
#include "fileinfo/file_facts.h"
#include "fileinfo/file_hash.h"
#include "fileinfo/file_icon.h"
#include "fileinfo/signature.h"
#include "fileinfo/version_info.h"
#include "win/com_ptr.h"

#include <windows.h>
#include <shlwapi.h>

#include <system_error>
#include <vector>

namespace tarn {

namespace {

constexpr std::size_t kSignerCapacity = 8000;

// File names compare without regard to case, as the file system compares them.
std::wstring FileKey(const std::wstring& path) {
    return FoldRegistryName(path);
}

bool PathExists(const std::wstring& path) {
    return ::PathFileExistsW(path.c_str()) != FALSE;
}

}  // namespace

FileFacts ReadFileFacts(const std::wstring& path) {
    VersionStrings strings = ReadVersionStrings(path);
    FileFacts facts;
    facts.description = std::move(strings.description);
    facts.company = std::move(strings.company);
    facts.fileVersion = std::move(strings.fileVersion);
    facts.sizeKB = ReadFileSizeKB(path);
    facts.fileTime = FormatFileTime(path);
    return facts;
}

SignatureFacts VerifyFileFacts(const std::wstring& path) {
    std::vector<wchar_t> signer(kSignerCapacity, L'\0');
    SignatureFacts facts;
    facts.code = VerifyFileSignature(path.c_str(), signer.data(), signer.size(), facts.isSigned);
    facts.signer = signer.data();
    return facts;
}

template <typename T>
std::shared_ptr<FileFactsCache::Slot<T>> FileFactsCache::SlotFor(
    std::map<std::wstring, std::shared_ptr<Slot<T>>>& slots,
    const std::wstring& path) {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto& slot = slots[FileKey(path)];
    if (!slot) {
        slot = std::make_shared<Slot<T>>();
    }
    return slot;
}

template <typename T, typename Compute>
const T& FileFactsCache::Once(std::map<std::wstring, std::shared_ptr<Slot<T>>>& slots,
                              const std::wstring& path,
                              std::size_t& counter,
                              Compute compute) {
    const auto slot = SlotFor(slots, path);
    // Only callers for the same file wait here; the cache's lock is not held while computing.
    std::call_once(slot->once, [&] {
        slot->value = compute(path);
        const std::lock_guard<std::mutex> lock(mutex_);
        ++counter;
    });
    return slot->value;
}

const FileFacts& FileFactsCache::Facts(const std::wstring& path) {
    return Once(facts_, path, factReads_, ReadFileFacts);
}

const SignatureFacts& FileFactsCache::Signature(const std::wstring& path) {
    return Once(signatures_, path, verifications_, VerifyFileFacts);
}

const std::wstring& FileFactsCache::Sha256(const std::wstring& path) {
    return Once(hashes_, path, hashCount_,
                [](const std::wstring& file) { return Sha256OfFile(file).value_or(std::wstring()); });
}

bool FileFactsCache::Exists(const std::wstring& path) {
    return Once(existence_, path, existenceChecks_, PathExists);
}

bool FileFactsCache::CandidateExists(const std::wstring& path, bool trustUnlisted, bool& unlisted) {
    switch (listings_.Answer(path)) {
        case ListingAnswer::NoSuchFolder:
            return false;
        case ListingAnswer::Unlisted:
            unlisted = true;
            if (trustUnlisted) {
                return false;
            }
            break;
        case ListingAnswer::Ask:
            break;
    }
    return Once(candidates_, path, candidateTests_, PathExists);
}

FileFactsCache::~FileFactsCache() {
    {
        const std::lock_guard<std::mutex> lock(prefetchMutex_);
        prefetchStopping_ = true;
        prefetchQueue_.clear();
    }
    prefetchWake_.notify_all();
    if (prefetchThread_.joinable()) {
        prefetchThread_.join();
    }
}

void FileFactsCache::Prefetch(const std::vector<std::wstring>& paths, bool verify) {
    const std::lock_guard<std::mutex> lock(prefetchMutex_);
    if (prefetchStopping_) {
        return;
    }
    for (const std::wstring& path : paths) {
        if (path.empty()) {
            continue;
        }
        const auto [seen, added] = prefetchSeen_.emplace(FileKey(path), verify);
        if (added || (verify && !seen->second)) {
            seen->second = seen->second || verify;
            prefetchQueue_.push_back({path, verify});
        }
    }
    if (prefetchQueue_.empty() || prefetchThread_.joinable()) {
        prefetchWake_.notify_one();
        return;
    }
    try {
        prefetchThread_ = std::thread([this] { RunPrefetches(); });
    } catch (const std::system_error&) {
        prefetchQueue_.clear();  // without the thread, each file is read when asked
    }
}

void FileFactsCache::DropPrefetches() {
    const std::lock_guard<std::mutex> lock(prefetchMutex_);
    prefetchQueue_.clear();
}

void FileFactsCache::RunPrefetches() {
    // The shell's icons want COM on the asking thread.
    const ComApartment apartment;
    for (;;) {
        PrefetchItem item;
        {
            std::unique_lock<std::mutex> lock(prefetchMutex_);
            prefetchWake_.wait(lock, [this] { return prefetchStopping_ || !prefetchQueue_.empty(); });
            if (prefetchStopping_) {
                return;
            }
            item = std::move(prefetchQueue_.front());
            prefetchQueue_.pop_front();
        }
        SmallIcon(item.path);
        if (item.verify) {
            Signature(item.path);
        }
    }
}

HICON FileFactsCache::SmallIcon(const std::wstring& path) {
    return Once(icons_, path, iconCount_, SmallShellIcon).get();
}

std::size_t FileFactsCache::CountOf(const std::size_t& counter) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return counter;
}

std::size_t FileFactsCache::candidateTests() const {
    return CountOf(candidateTests_);
}

std::size_t FileFactsCache::folderListings() const {
    return listings_.listings();
}

std::size_t FileFactsCache::iconReads() const {
    return CountOf(iconCount_);
}

std::size_t FileFactsCache::hashes() const {
    return CountOf(hashCount_);
}

std::size_t FileFactsCache::factReads() const {
    return CountOf(factReads_);
}

std::size_t FileFactsCache::verifications() const {
    return CountOf(verifications_);
}

}  // namespace tarn
