#include "fileinfo/signature_codes.h"
#include "fileinfo/signature_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

TEST(ParseCommonName, TakesEverythingAfterTheFirstCnWithoutEnclosingQuotes) {
    struct Case {
        const wchar_t* name;
        uint32_t code;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C=CN, O=\"Example, Inc.\", CN=\"Example, Inc.\"", SignatureValid, L"Example, Inc."},
        {L"CN=Tarn Signer, O=Tarn Labs, C=CN", SignatureValid, L"Tarn Signer, O=Tarn Labs, C=CN"},
        {L"CN=a\"", SignatureValid, L"a"},
        {L"CN=\"a", SignatureValid, L"a"},
        {L"O=x, CN=first, CN=second", SignatureValid, L"first, CN=second"},
        {L"C=CN, O=No Name Ltd", SignatureNoCommonName, nullptr},
        {L"cn=lower case", SignatureNoCommonName, nullptr},
        {L"", SignatureNoCommonName, nullptr},
        {L"CN=", SignatureNoCommonName, nullptr},
        {L"CN=\"", SignatureNoCommonName, nullptr},
        {L"CN=\"\"", SignatureNoCommonName, nullptr},
    };
    for (const Case& c : cases) {
        wchar_t out[64] = L"unchanged";
        EXPECT_EQ(c.code, ParseCommonName(c.name, out, 64)) << std::wstring(c.name).size();
        EXPECT_EQ(std::wstring(c.expected ? c.expected : L"unchanged"), std::wstring(out));
    }
    wchar_t out[8] = L"same";
    EXPECT_EQ(SignatureNoCommonName, ParseCommonName(nullptr, out, 8));
}

TEST(ParseCommonName, NeedsRoomForTheWholeValueAndItsTerminator) {
    // The capacity is measured against the text after "CN=", quotes included.
    const wchar_t* name = L"O=x, CN=\"Example, Inc.\"";
    wchar_t out[32] = L"unchanged";
    EXPECT_EQ(SignatureNameTooLong, ParseCommonName(name, out, 15));
    EXPECT_EQ(std::wstring(L"unchanged"), out);
    EXPECT_EQ(SignatureValid, ParseCommonName(name, out, 16));
    EXPECT_EQ(std::wstring(L"Example, Inc."), out);
    EXPECT_EQ(SignatureNameTooLong, ParseCommonName(L"CN=abc", out, 3));
    EXPECT_EQ(SignatureValid, ParseCommonName(L"CN=abc", out, 4));
    EXPECT_EQ(SignatureNameTooLong, ParseCommonName(L"CN=abc", nullptr, 4));
}

TEST(HashMemberTag, WritesEachByteAsTwoUpperCaseDigits) {
    const unsigned char hash[] = {0x00, 0xAB, 0x0F, 0x90};
    EXPECT_EQ(L"00AB0F90", HashMemberTag(hash, sizeof hash));
    EXPECT_EQ(L"", HashMemberTag(hash, 0));
}

}  // namespace
}  // namespace tarn
