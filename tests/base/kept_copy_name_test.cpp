#include "base/kept_copy_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tarn {
namespace {

TEST(KeptCopyRelativePath, KeepsEveryNameAsWrittenAndDistinct) {
    const std::pair<std::wstring, std::optional<std::wstring>> cases[] = {
        {L"\\Vendor\\Update", L"\\Vendor\\Update.xml"},
        {L"\\NUL", L"\\%4EUL.xml"},
        {L"\\con", L"\\%63on.xml"},
        {L"\\A\\Com1.x\\T", L"\\A\\%43om1.x\\T.xml"},
        {L"\\LPT9 ", L"\\%4CPT9 .xml"},
        {L"\\Dir.\\T", L"\\Dir%2E\\T.xml"},
        {L"\\Dir \\T", L"\\Dir%20\\T.xml"},
        {L"\\..\\..\\x", L"\\%2E%2E\\%2E%2E\\x.xml"},
        {L"\\50%\\a:b", L"\\50%25\\a%3Ab.xml"},
        {L"\\Console", L"\\Console.xml"},
        {L"\\COM10", L"\\COM10.xml"},
        {L"Vendor", std::nullopt},
        {L"\\", std::nullopt},
        {L"\\a\\\\b", std::nullopt},
        {L"\\a\\", std::nullopt},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(expected, KeptCopyRelativePath(path)) << std::string(path.begin(), path.end());
    }
    // Names the file system would take for one another keep apart.
    std::set<std::wstring> files;
    for (const wchar_t* path : {L"\\Dir", L"\\Dir.", L"\\Dir ", L"\\Dir..", L"\\NUL", L"\\%4EUL", L"\\nul"}) {
        EXPECT_TRUE(files.insert(KeptCopyRelativePath(path).value()).second) << path;
    }
}

}  // namespace
}  // namespace tarn
