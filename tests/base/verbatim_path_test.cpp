#include "base/verbatim_path.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(VerbatimPath, NamesExactlyTheFileOfAFullPath) {
    const struct {
        const wchar_t* path;
        const wchar_t* verbatim;
    } cases[] = {
        {L"C:\\Startup\\run.bat.", L"\\\\?\\C:\\Startup\\run.bat."},
        {L"c:\\a b\\x ", L"\\\\?\\c:\\a b\\x "},
        {L"\\\\server\\share\\run.bat", L"\\\\?\\UNC\\server\\share\\run.bat"},
        {L"\\\\?\\C:\\already", L"\\\\?\\C:\\already"},
        {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
        {L"relative\\run.bat", L"relative\\run.bat"},
        {L"C:relative", L"C:relative"},
        {L"C:\\a\\..\\b", L"C:\\a\\..\\b"},
        {L"C:/a/b", L"C:/a/b"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.verbatim, VerbatimPath(c.path)) << c.path;
    }
}

}  // namespace
}  // namespace tarn
