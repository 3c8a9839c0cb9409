#include "fileinfo/signature.h"
#include "fileinfo/signature_text.h"

#include "support/test_paths.h"
#include "win/unique_handle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using test::FixturePath;

constexpr std::size_t kSignerCapacity = 8000;

std::wstring SignedFixture(const wchar_t* name) {
    return FixturePath(std::wstring(L"signed\\") + name);
}

struct Verification {
    uint32_t code = 0;
    int32_t isSigned = -1;
    std::wstring signer;
};

Verification Verify(const std::wstring& path) {
    Verification result;
    std::vector<wchar_t> signer(kSignerCapacity, L'\0');
    result.code = VerifyFileSignature(path.c_str(), signer.data(), signer.size(), result.isSigned);
    result.signer = signer.data();
    return result;
}

class SignatureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SignatureValid, InitSignatureVerifier()); }
    void TearDown() override { EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier()); }
};

TEST_F(SignatureTest, EmbeddedSignaturesAndTheirSigners) {
    struct Case {
        const wchar_t* fixture;
        uint32_t code;
        int32_t isSigned;
        const wchar_t* signer;
    };
    const Case cases[] = {
        {L"signed_quoted.exe", SignatureValid, 1, L"Example, Inc."},
        {L"signed_cn_first.exe", SignatureValid, 1, L"TarnSigner, O=TarnLabs, C=CN"},
        {L"signed_no_cn.exe", SignatureNoCommonName, 1, L""},
        {L"unsigned.exe", SignatureNotSigned, 0, L""},
        {L"tampered.exe", SignatureNotSigned, 0, L""},
        {L"missing.exe", SignatureFileUnreadable, 0, L""},
    };
    for (const Case& c : cases) {
        const Verification v = Verify(SignedFixture(c.fixture));
        EXPECT_EQ(c.code, v.code) << std::wstring(c.fixture).size();
        EXPECT_EQ(c.isSigned, v.isSigned);
        EXPECT_EQ(c.signer, v.signer);
    }
}

TEST_F(SignatureTest, TooSmallABufferLeavesItUnchanged) {
    // The subject renders as ..., CN="Example, Inc." : 15 characters after "CN=".
    wchar_t signer[32] = L"unchanged";
    int32_t isSigned = 0;
    EXPECT_EQ(SignatureNameTooLong,
              VerifyFileSignature(SignedFixture(L"signed_quoted.exe").c_str(), signer, 15, isSigned));
    EXPECT_EQ(1, isSigned);
    EXPECT_EQ(std::wstring(L"unchanged"), signer);
    EXPECT_EQ(SignatureValid, VerifyFileSignature(SignedFixture(L"signed_quoted.exe").c_str(), signer, 16, isSigned));
    EXPECT_EQ(std::wstring(L"Example, Inc."), signer);
}

TEST(SignatureLifecycle, VerificationNeedsTheInitialisedState) {
    ASSERT_EQ(SignatureValid, ReleaseSignatureVerifier());  // released, whatever ran before
    const std::wstring path = SignedFixture(L"signed_quoted.exe");
    EXPECT_EQ(SignatureNotInitialised, Verify(path).code);

    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    EXPECT_EQ(SignatureValid, InitSignatureVerifier());  // a second call changes nothing
    EXPECT_EQ(SignatureValid, Verify(path).code);

    ASSERT_EQ(SignatureValid, ReleaseSignatureVerifier());
    EXPECT_EQ(SignatureNotInitialised, Verify(path).code);
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

BOOL WINAPI FailingAcquire(HCATADMIN* context, const GUID*, DWORD) {
    *context = reinterpret_cast<HCATADMIN>(static_cast<INT_PTR>(1));
    return FALSE;
}

TEST(SignatureLifecycle, AFailedContextKeepsVerificationRefused) {
    ASSERT_EQ(SignatureValid, ReleaseSignatureVerifier());
    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    TrustEntryPoints entry = ExchangeTrustEntryPoints({});
    ExchangeTrustEntryPoints(entry);
    ASSERT_TRUE(entry.Complete());
    ASSERT_EQ(SignatureValid, ReleaseSignatureVerifier());

    // Entry points already complete: they are not looked up again, and the context fails.
    entry.acquireContext = FailingAcquire;
    ExchangeTrustEntryPoints(entry);
    EXPECT_EQ(SignatureNoCatalogContext, InitSignatureVerifier());
    EXPECT_EQ(SignatureNotInitialised, Verify(SignedFixture(L"signed_quoted.exe")).code);
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

// Stand-ins for the catalog half of the trust services: this machine has no catalogs.
struct CatalogFake {
    bool listsHash = true;
    bool memberValid = true;
    int verifyCalls = 0;
    int closeCalls = 0;
    int catalogReleases = 0;
    DWORD trustDataSize = 0;
    DWORD catalogInfoSize = 0;
    DWORD uiChoice = 0;
    DWORD provFlags = 0;
    DWORD revocationChecks = 0;
    std::vector<DWORD> unionChoices;
    std::wstring catalogPath;
    std::wstring memberTag;
    std::wstring memberFile;
    std::wstring enumeratedHash;
};

CatalogFake g_fake;
int g_catalogToken = 0;
int g_stateToken = 0;
std::vector<BYTE> g_subjectBlob;
CERT_INFO g_certInfo{};
CERT_CONTEXT g_certContext{};
CRYPT_PROVIDER_CERT g_providerCert{};
CRYPT_PROVIDER_SGNR g_signer{};
CRYPT_PROVIDER_DATA g_providerData{};

LONG WINAPI FakeVerifyTrust(HWND, GUID*, LPVOID request) {
    auto* data = static_cast<WINTRUST_DATA*>(request);
    if (data->dwStateAction == WTD_STATEACTION_CLOSE) {
        ++g_fake.closeCalls;
        return ERROR_SUCCESS;
    }
    ++g_fake.verifyCalls;
    g_fake.unionChoices.push_back(data->dwUnionChoice);
    if (data->dwUnionChoice != WTD_CHOICE_CATALOG) {
        return TRUST_E_NOSIGNATURE;
    }
    g_fake.trustDataSize = data->cbStruct;
    g_fake.uiChoice = data->dwUIChoice;
    g_fake.provFlags = data->dwProvFlags;
    g_fake.revocationChecks = data->fdwRevocationChecks;
    g_fake.catalogInfoSize = data->pCatalog->cbStruct;
    g_fake.catalogPath = data->pCatalog->pcwszCatalogFilePath;
    g_fake.memberTag = data->pCatalog->pcwszMemberTag;
    g_fake.memberFile = data->pCatalog->pcwszMemberFilePath;
    data->hWVTStateData = &g_stateToken;
    return g_fake.memberValid ? ERROR_SUCCESS : TRUST_E_BAD_DIGEST;
}

HCATINFO WINAPI FakeEnumCatalog(HCATADMIN, BYTE* hash, DWORD length, DWORD, HCATINFO*) {
    g_fake.enumeratedHash = HashMemberTag(hash, length);
    return g_fake.listsHash ? static_cast<HCATINFO>(&g_catalogToken) : nullptr;
}

BOOL WINAPI FakeCatalogInfo(HCATINFO, CATALOG_INFO* info, DWORD) {
    const std::wstring name = L"C:\\windows\\system32\\catroot\\tarn.cat";
    name.copy(info->wszCatalogFile, name.size());
    return TRUE;
}

BOOL WINAPI FakeReleaseCatalog(HCATADMIN, HCATINFO catalog, DWORD) {
    EXPECT_EQ(static_cast<HCATINFO>(&g_catalogToken), catalog);
    ++g_fake.catalogReleases;
    return TRUE;
}

CRYPT_PROVIDER_DATA* WINAPI FakeProviderData(HANDLE state) {
    return state == &g_stateToken ? &g_providerData : nullptr;
}

CRYPT_PROVIDER_SGNR* WINAPI FakeSigner(CRYPT_PROVIDER_DATA* data, DWORD index, BOOL counterSigner, DWORD) {
    return data == &g_providerData && index == 0 && !counterSigner ? &g_signer : nullptr;
}

std::wstring RealHashTag(const TrustEntryPoints& real, const std::wstring& path) {
    const unique_file file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    BYTE hash[100] = {};
    DWORD length = sizeof hash;
    real.calcHashFromFileHandle(file.get(), &length, hash, 0);
    return HashMemberTag(hash, length);
}

class CatalogPathTest : public SignatureTest {
protected:
    void SetUp() override {
        SignatureTest::SetUp();
        g_fake = CatalogFake{};
        DWORD size = 0;
        const wchar_t* subject = L"CN=Catalog Signer";
        ASSERT_TRUE(::CertStrToNameW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, nullptr, &size, nullptr));
        g_subjectBlob.assign(size, 0);
        ASSERT_TRUE(::CertStrToNameW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, g_subjectBlob.data(),
                                     &size, nullptr));
        g_certInfo.Subject.cbData = size;
        g_certInfo.Subject.pbData = g_subjectBlob.data();
        g_certContext.pCertInfo = &g_certInfo;
        g_providerCert.pCert = &g_certContext;
        g_signer.csCertChain = 1;
        g_signer.pasCertChain = &g_providerCert;

        real_ = ExchangeTrustEntryPoints({});
        TrustEntryPoints fake = real_;
        fake.winVerifyTrust = FakeVerifyTrust;
        fake.enumCatalogFromHash = FakeEnumCatalog;
        fake.catalogInfoFromContext = FakeCatalogInfo;
        fake.releaseCatalogContext = FakeReleaseCatalog;
        fake.provDataFromStateData = FakeProviderData;
        fake.getProvSignerFromChain = FakeSigner;
        ExchangeTrustEntryPoints(fake);
    }
    void TearDown() override {
        ExchangeTrustEntryPoints(real_);
        SignatureTest::TearDown();
    }

    TrustEntryPoints real_;
};

TEST_F(CatalogPathTest, AListedHashWithAValidCatalogIsSigned) {
    const std::wstring path = SignedFixture(L"unsigned.exe");
    const Verification v = Verify(path);
    EXPECT_EQ(SignatureValid, v.code);
    EXPECT_EQ(1, v.isSigned);
    EXPECT_EQ(L"Catalog Signer", v.signer);

    EXPECT_EQ((std::vector<DWORD>{WTD_CHOICE_FILE, WTD_CHOICE_CATALOG}), g_fake.unionChoices);
    EXPECT_EQ(g_fake.verifyCalls, g_fake.closeCalls);
    EXPECT_EQ(1, g_fake.catalogReleases);
    EXPECT_EQ(L"C:\\windows\\system32\\catroot\\tarn.cat", g_fake.catalogPath);
    EXPECT_EQ(path, g_fake.memberFile);
    const std::wstring tag = RealHashTag(real_, path);
    EXPECT_FALSE(tag.empty());
    EXPECT_EQ(tag, g_fake.memberTag);
    EXPECT_EQ(tag, g_fake.enumeratedHash);
    EXPECT_EQ(static_cast<DWORD>(WTD_UI_NONE), g_fake.uiChoice);
    EXPECT_EQ(static_cast<DWORD>(WTD_REVOCATION_CHECK_NONE), g_fake.provFlags);
    EXPECT_EQ(static_cast<DWORD>(WTD_REVOKE_NONE), g_fake.revocationChecks);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(48u, g_fake.trustDataSize);
        EXPECT_EQ(36u, g_fake.catalogInfoSize);
    }
}

TEST_F(CatalogPathTest, AFailedCatalogVerificationIsNotSigned) {
    g_fake.memberValid = false;
    const Verification v = Verify(SignedFixture(L"unsigned.exe"));
    EXPECT_EQ(SignatureNotSigned, v.code);
    EXPECT_EQ(0, v.isSigned);
    EXPECT_EQ(2, g_fake.verifyCalls);
    EXPECT_EQ(2, g_fake.closeCalls);
    EXPECT_EQ(1, g_fake.catalogReleases);
}

TEST_F(CatalogPathTest, AHashNoCatalogListsIsNotSigned) {
    g_fake.listsHash = false;
    const Verification v = Verify(SignedFixture(L"unsigned.exe"));
    EXPECT_EQ(SignatureNotSigned, v.code);
    EXPECT_EQ(1, g_fake.verifyCalls);  // the embedded check only
    EXPECT_EQ(1, g_fake.closeCalls);
    EXPECT_EQ(0, g_fake.catalogReleases);
}

TEST_F(CatalogPathTest, AFileThatCannotBeOpenedIsNotHashed) {
    const Verification v = Verify(SignedFixture(L"missing.exe"));
    EXPECT_EQ(SignatureFileUnreadable, v.code);
    EXPECT_TRUE(g_fake.enumeratedHash.empty());
    EXPECT_EQ(g_fake.verifyCalls, g_fake.closeCalls);
}

TEST_F(SignatureTest, ThirteenThreadsAtOnceGetEveryAnswerRight) {
    struct Expected {
        std::wstring path;
        uint32_t code;
        std::wstring signer;
    };
    const std::vector<Expected> files = {
        {SignedFixture(L"signed_quoted.exe"), SignatureValid, L"Example, Inc."},
        {SignedFixture(L"signed_cn_first.exe"), SignatureValid, L"TarnSigner, O=TarnLabs, C=CN"},
        {SignedFixture(L"signed_no_cn.exe"), SignatureNoCommonName, L""},
        {SignedFixture(L"unsigned.exe"), SignatureNotSigned, L""},
        {SignedFixture(L"tampered.exe"), SignatureNotSigned, L""},
        {SignedFixture(L"missing.exe"), SignatureFileUnreadable, L""},
    };
    std::atomic<int> checks{0};
    std::atomic<int> wrong{0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::vector<std::thread> threads;
    for (int t = 0; t < 13; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t i = static_cast<std::size_t>(t); std::chrono::steady_clock::now() < deadline; ++i) {
                const Expected& e = files[i % files.size()];
                const Verification v = Verify(e.path);
                if (v.code != e.code || v.signer != e.signer) {
                    if (++wrong <= 5) {
                        std::printf("wrong: %ls gave %x '%ls'\n", e.path.c_str(), v.code, v.signer.c_str());
                    }
                }
                ++checks;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, wrong.load());
    EXPECT_GT(checks.load(), 13 * static_cast<int>(files.size()));
    std::printf("concurrent verification: 13 threads, %d verifications, %d wrong\n", checks.load(), wrong.load());
}

}  // namespace
}  // namespace tarn
