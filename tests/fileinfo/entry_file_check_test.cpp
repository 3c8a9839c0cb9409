#include "fileinfo/entry_file_check.h"

#include "fileinfo/signature.h"
#include "pages/page_texts.h"

#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(CheckEntryFile, MarksMissingFilesAndVerifiesTheOthers) {
    ASSERT_EQ(SignatureValid, InitSignatureVerifier());
    test::ScratchFolder scratch;
    struct Case {
        std::wstring path;
        bool exists;
        const wchar_t* signature;
    };
    const Case cases[] = {
        {test::FixturePath(L"signed\\signed_quoted.exe"), true, kSignatureValidText},
        {test::FixturePath(L"signed\\signed_no_cn.exe"), true, kSignatureInvalidText},
        {scratch.AddFile(L"plain.exe"), true, kSignatureInvalidText},
        {scratch / L"gone.exe", false, L""},
    };
    for (const Case& c : cases) {
        AutoRunEntry entry;
        entry.imagePath = c.path;
        entry.state = EntryDisabled;
        entry.sizeKB = 7;
        EXPECT_EQ(c.exists, CheckEntryFile(entry, true));
        EXPECT_EQ(c.signature, entry.signature);
        EXPECT_EQ(c.exists ? EntryDisabled : EntryFileMissing, entry.state);
        EXPECT_EQ(c.exists ? 7 : 0, entry.sizeKB);
    }
    AutoRunEntry unverified;
    unverified.imagePath = test::FixturePath(L"signed\\signed_quoted.exe");
    EXPECT_TRUE(CheckEntryFile(unverified, false));
    EXPECT_EQ(L"", unverified.signature);
    EXPECT_EQ(SignatureValid, ReleaseSignatureVerifier());
}

}  // namespace
}  // namespace tarn
