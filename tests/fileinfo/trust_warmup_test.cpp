#include "fileinfo/trust_warmup.h"

#include "fileinfo/file_facts_cache.h"
#include "fileinfo/signature.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using test::FixturePath;

// The preparation runs while the first scan may already verify: it must neither disturb those
// verifications nor change any answer.
TEST(TrustWarmUp, VerificationsBesideItAndAfterItAnswerAsWithoutIt) {
    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    const std::vector<std::wstring> files = {FixturePath(L"signed\\signed_quoted.exe"),
                                             FixturePath(L"signed\\unsigned.exe"),
                                             FixturePath(L"signed\\tampered.exe"),
                                             FixturePath(L"signed\\signed_no_cn.exe")};
    std::vector<SignatureFacts> expected;
    for (const auto& file : files) {
        expected.push_back(VerifyFileFacts(file));
    }
    std::vector<std::vector<SignatureFacts>> beside(files.size());
    std::thread warmUp(WarmUpTrustVerification);
    std::vector<std::thread> verifiers;
    for (std::size_t k = 0; k < files.size(); ++k) {
        verifiers.emplace_back([&, k] {
            for (int round = 0; round < 3; ++round) {
                beside[k].push_back(VerifyFileFacts(files[k]));
            }
        });
    }
    warmUp.join();
    for (auto& verifier : verifiers) {
        verifier.join();
    }
    WarmUpTrustVerification();
    for (std::size_t k = 0; k < files.size(); ++k) {
        beside[k].push_back(VerifyFileFacts(files[k]));
        for (const SignatureFacts& facts : beside[k]) {
            EXPECT_EQ(expected[k].code, facts.code) << k;
            EXPECT_EQ(expected[k].signer, facts.signer) << k;
            EXPECT_EQ(expected[k].isSigned, facts.isSigned) << k;
        }
    }
    EXPECT_EQ(SignatureValid, expected[0].code);
    EXPECT_NE(SignatureValid, expected[1].code);
    EXPECT_NE(SignatureValid, expected[2].code);
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

}  // namespace
}  // namespace tarn
