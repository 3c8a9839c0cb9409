#include "fileinfo/file_facts_cache.h"

#include "fileinfo/file_facts.h"
#include "fileinfo/signature.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        EXPECT_EQ(1u, scan.cache().factReads());
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

}  // namespace
}  // namespace tarn
