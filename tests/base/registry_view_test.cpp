#include "base/registry_view.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarn {
namespace {

TEST(Wow32PathOf, FollowsTheListOfRedirectedAndSharedKeys) {
    struct Case {
        std::wstring path;
        std::optional<std::wstring> wow32;
    };
    const Case cases[] = {
        {L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {L"SOFTWARE\\Microsoft\\Active Setup", L"SOFTWARE\\Wow6432Node\\Microsoft\\Active Setup"},
        {L"Software\\Classes\\CLSID\\{x}", L"Software\\Classes\\Wow6432Node\\CLSID\\{x}"},
        {L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers", std::nullopt},  // Classes is shared
        {L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\a.exe", std::nullopt},
        {L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", std::nullopt},
        {L"Software\\Microsoft\\Windows\\CurrentVersion\\PoliciesX", L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\PoliciesX"},
        {L"System\\CurrentControlSet\\Services", std::nullopt},
        {L"Software", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.wow32, Wow32PathOf(c.path)) << std::string(c.path.begin(), c.path.end());
    }
}

TEST(PathSeenBy32BitProcess, MapsTheSystemFolderButItsExemptions) {
    const std::wstring windows = L"C:\\Windows";
    struct Case {
        std::wstring path;
        std::wstring seen;
    };
    const Case cases[] = {
        {L"c:\\windows\\system32\\x.dll", L"c:\\windows\\syswow64\\x.dll"},
        {L"C:\\WINDOWS\\System32", L"C:\\WINDOWS\\syswow64"},
        {L"c:\\windows\\sysnative\\x.exe", L"c:\\windows\\system32\\x.exe"},
        {L"c:\\windows\\system32\\drivers\\etc\\hosts", L"c:\\windows\\system32\\drivers\\etc\\hosts"},
        {L"c:\\windows\\system32\\spool\\x.dll", L"c:\\windows\\system32\\spool\\x.dll"},
        {L"c:\\windows\\system32\\drivers\\x.sys", L"c:\\windows\\syswow64\\drivers\\x.sys"},
        {L"c:\\windows\\system32x\\a.dll", L"c:\\windows\\system32x\\a.dll"},
        {L"d:\\tools\\system32\\a.dll", L"d:\\tools\\system32\\a.dll"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.seen, PathSeenBy32BitProcess(c.path, windows)) << std::string(c.path.begin(), c.path.end());
    }
}

}  // namespace
}  // namespace tarn
