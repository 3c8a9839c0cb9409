#include "fileinfo/file_facts_cache.h"

#include "fileinfo/file_facts.h"
#include "fileinfo/signature.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "win/com_ptr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using test::FixturePath;

std::wstring Upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return ::towupper(c); });
    return text;
}

TEST(FileFactsCache, GivesWhatAFreshReadGivesOncePerFileWhateverTheCase) {
    FileFactsCache cache;
    const std::vector<std::wstring> files = {FixturePath(L"ver_two_translations.exe"),
                                             FixturePath(L"ver_missing_string.exe"),
                                             FixturePath(L"ver_no_translation.exe"), FixturePath(L"no_such_file.exe")};
    for (int round = 0; round < 3; ++round) {
        for (const auto& file : files) {
            const FileFacts cached = cache.Facts(round == 1 ? Upper(file) : file);
            const FileFacts fresh = ReadFileFacts(file);
            EXPECT_EQ(fresh.description, cached.description);
            EXPECT_EQ(fresh.company, cached.company);
            EXPECT_EQ(fresh.fileVersion, cached.fileVersion);
            EXPECT_EQ(fresh.fileTime, cached.fileTime);
            EXPECT_EQ(fresh.sizeKB, cached.sizeKB);
        }
    }
    EXPECT_EQ(files.size(), cache.factReads());
    EXPECT_EQ(L"Tarn Test Company", cache.Facts(files[0]).company);
}

TEST(FileFactsCache, AFileChangedBetweenScansIsReadAgainByTheNextScan) {
    test::ScratchFolder folder;
    const std::wstring file = folder.AddFile(L"grows.exe", 1024);
    {
        const FileFactsScope scan;
        AutoRunEntry entry;
        entry.imagePath = file;
        FillFileFacts(entry);
        EXPECT_EQ(1, entry.sizeKB);
        EXPECT_EQ(1u, scan.object().factReads());
    }
    folder.AddFile(L"grows.exe", 4096);
    const FileFactsScope nextScan;
    AutoRunEntry entry;
    entry.imagePath = file;
    FillFileFacts(entry);
    EXPECT_EQ(4, entry.sizeKB);
}

TEST(FileFactsCache, OutsideAScanEveryCallReads) {
    EXPECT_EQ(nullptr, CurrentFileFacts());
    {
        const FileFactsScope scan;
        EXPECT_NE(nullptr, CurrentFileFacts());
    }
    EXPECT_EQ(nullptr, CurrentFileFacts());
}

TEST(FileFactsCache, ThreadsAskingAtOnceShareOneVerification) {
    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    FileFactsCache cache;
    const std::wstring signedFile = FixturePath(L"signed\\signed_quoted.exe");
    const std::wstring unsignedFile = FixturePath(L"signed\\unsigned.exe");
    constexpr int kThreads = 14;
    std::vector<SignatureFacts> results(kThreads);
    std::vector<std::thread> threads;
    for (int k = 0; k < kThreads; ++k) {
        threads.emplace_back([&, k] { results[k] = cache.Signature(k % 2 == 0 ? signedFile : Upper(unsignedFile)); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(2u, cache.verifications());
    for (int k = 0; k < kThreads; ++k) {
        const SignatureFacts expected = VerifyFileFacts(k % 2 == 0 ? signedFile : unsignedFile);
        EXPECT_EQ(expected.code, results[k].code) << k;
        EXPECT_EQ(expected.signer, results[k].signer) << k;
        EXPECT_EQ(expected.isSigned, results[k].isSigned) << k;
    }
    EXPECT_EQ(L"Example, Inc.", results[0].signer);
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

// Waits for the cache's own thread to have read `count` icons; false after 20 s.
bool WaitForIconReads(const FileFactsCache& cache, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (cache.iconReads() < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(FileFactsCache, PrefetchedFilesAreReadOnceAndGiveWhatAFreshReadGives) {
    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    const ComApartment apartment;
    const std::wstring signedFile = FixturePath(L"signed\\signed_quoted.exe");
    const std::wstring unsignedFile = FixturePath(L"signed\\unsigned.exe");
    const std::wstring missingFile = FixturePath(L"signed\\no_such_file.exe");
    {
        FileFactsCache cache;
        // The same file in another case, an empty path and a repeat are one file, none and nothing.
        cache.Prefetch({signedFile, Upper(signedFile), L"", unsignedFile, missingFile, signedFile}, true);
        ASSERT_TRUE(WaitForIconReads(cache, 3));
        for (const auto& file : {signedFile, unsignedFile, missingFile}) {
            const SignatureFacts expected = VerifyFileFacts(file);
            EXPECT_EQ(expected.code, cache.Signature(file).code);
            EXPECT_EQ(expected.signer, cache.Signature(file).signer);
        }
        EXPECT_NE(nullptr, cache.SmallIcon(signedFile));
        EXPECT_EQ(cache.SmallIcon(signedFile), cache.SmallIcon(Upper(signedFile)));
        EXPECT_NE(nullptr, cache.SmallIcon(unsignedFile));
        EXPECT_EQ(3u, cache.verifications());
        EXPECT_EQ(3u, cache.iconReads());
        EXPECT_EQ(L"Example, Inc.", cache.Signature(signedFile).signer);
    }
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

TEST(FileFactsCache, PrefetchVerifiesOnlyWhenAskedToAndLaterWhenAskedAgain) {
    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    const ComApartment apartment;
    const std::vector<std::wstring> files = {FixturePath(L"signed\\signed_quoted.exe"),
                                             FixturePath(L"signed\\unsigned.exe")};
    {
        FileFactsCache cache;
        cache.Prefetch(files, false);
        ASSERT_TRUE(WaitForIconReads(cache, files.size()));
        EXPECT_EQ(0u, cache.verifications());
        // A page that verifies the same files asks after one that does not.
        cache.Prefetch(files, true);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (cache.verifications() < files.size() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(files.size(), cache.verifications());
        EXPECT_EQ(SignatureValid, cache.Signature(files[0]).code);
        EXPECT_EQ(files.size(), cache.verifications());
        EXPECT_EQ(files.size(), cache.iconReads());
    }
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

TEST(FileFactsCache, DroppedOrCutOffPrefetchesAreLeftToWhoeverAsks) {
    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    const ComApartment apartment;
    test::ScratchFolder folder;
    std::vector<std::wstring> files;
    for (int k = 0; k < 200; ++k) {
        files.push_back(folder.AddFile(L"file" + std::to_wstring(k) + L".exe", 4096));
    }
    {
        FileFactsCache cache;
        cache.Prefetch(files, true);
        cache.DropPrefetches();
        // At most the file the thread had begun is still read after the drop.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const std::size_t read = cache.iconReads();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(read, cache.iconReads());
        EXPECT_LT(read, files.size());
        // A dropped file is read when asked, once, with the answer a fresh read gives.
        const std::size_t verified = cache.verifications();
        EXPECT_EQ(VerifyFileFacts(files.back()).code, cache.Signature(files.back()).code);
        EXPECT_EQ(verified + 1, cache.verifications());
        cache.SmallIcon(files.back());
        EXPECT_EQ(read + 1, cache.iconReads());
    }
    {
        // A scan that ends while its thread still has work does not wait for that work.
        FileFactsCache cache;
        cache.Prefetch(files, true);
    }
    FileFactsCache next;
    EXPECT_EQ(VerifyFileFacts(files[0]).code, next.Signature(files[0]).code);
    EXPECT_EQ(1u, next.verifications());
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

}  // namespace
}  // namespace tarn
