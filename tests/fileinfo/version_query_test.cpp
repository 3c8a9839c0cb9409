#include "fileinfo/version_query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

TEST(FormatTranslationQuery, FillsLanguageThenCodePageAsLowerCaseHex) {
    EXPECT_EQ(std::wstring(L"\\StringFileInfo\\080404b0\\FileDescription"),
              FormatTranslationQuery(kDescriptionQuery, {0x0804, 0x04b0}).value());
    EXPECT_EQ(std::wstring(L"\\StringFileInfo\\040904e4\\CompanyName"),
              FormatTranslationQuery(kCompanyQuery, {0x0409, 0x04e4}).value());
    EXPECT_EQ(std::wstring(L"\\StringFileInfo\\abcd0000\\FileVersion"),
              FormatTranslationQuery(kFileVersionQuery, {0xABCD, 0x0000}).value());
}

TEST(FormatTranslationQuery, FailsWithoutPlaceholderOrWhenTheQueryDoesNotFit) {
    EXPECT_FALSE(FormatTranslationQuery(L"\\StringFileInfo\\FileDescription", {1, 2}).has_value());
    // The placeholder's 8 characters become 8 digits: a template of 7999 characters just fits.
    const std::wstring fits = std::wstring(kVersionQueryCapacity - 1 - 8, L'x') + L"%04x%04x";
    EXPECT_EQ(kVersionQueryCapacity - 1, FormatTranslationQuery(fits, {1, 2})->size());
    EXPECT_FALSE(FormatTranslationQuery(L"x" + fits, {1, 2}).has_value());
}

TEST(ParseTranslationTable, ReadsWholeRecordsOnly) {
    const std::vector<unsigned char> table = {0x09, 0x04, 0xb0, 0x04, 0x04, 0x08, 0xb0, 0x04, 0x01};
    const auto records = ParseTranslationTable(table.data(), table.size());
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(0x0409, records[0].language);
    EXPECT_EQ(0x04b0, records[0].codePage);
    EXPECT_EQ(0x0804, records[1].language);
    EXPECT_EQ(1u, ParseTranslationTable(table.data(), 7).size());
    EXPECT_TRUE(ParseTranslationTable(table.data(), 3).empty());
    EXPECT_TRUE(ParseTranslationTable(nullptr, 8).empty());
}

TEST(TextInBlock, StopsAtTheTerminatorOrTheEndOfTheBlock) {
    const std::vector<unsigned char> block = {'x', 0, 'a', 0, 'b', 0, 0, 0, 'c', 0, 'd', 0};
    EXPECT_EQ(L"ab", TextInBlock(block.data(), block.size(), 2));
    EXPECT_EQ(L"cd", TextInBlock(block.data(), block.size(), 8));  // unterminated at the end
    EXPECT_EQ(L"", TextInBlock(block.data(), block.size(), 12));
    EXPECT_EQ(L"", TextInBlock(block.data(), block.size(), 400));
}

}  // namespace
}  // namespace tarn
