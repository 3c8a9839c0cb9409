#include "model/reg_key.h"
#include "win/registry_api.h"

#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

// A table that counts every call and fails the open calls, to show that RegKey reaches the
// registry only through the table in use.
int g_calls = 0;

LSTATUS WINAPI DeniedOpen(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) {
    ++g_calls;
    return ERROR_ACCESS_DENIED;
}

LSTATUS WINAPI CountedQuery(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    ++g_calls;
    return RealRegistryApi().queryValueEx(key, name, reserved, type, data, size);
}

LSTATUS WINAPI CountedClose(HKEY key) {
    ++g_calls;
    return RealRegistryApi().closeKey(key);
}

TEST(RegistryApi, RegKeyCallsGoThroughTheInstalledTable) {
    test::RegistrySandbox sandbox;
    test::WriteString(HKEY_LOCAL_MACHINE, L"Software\\T", L"v", L"text");

    RegKey opened;
    ASSERT_TRUE(opened.OpenRead(HKEY_LOCAL_MACHINE, L"Software\\T"));

    RegistryApi replaced = RealRegistryApi();
    replaced.openKeyEx = DeniedOpen;
    replaced.queryValueEx = CountedQuery;
    replaced.closeKey = CountedClose;
    g_calls = 0;
    {
        ScopedRegistryApi scope(replaced);
        EXPECT_EQ(&replaced, &Registry());
        RegKey key;
        EXPECT_FALSE(key.OpenRead(HKEY_LOCAL_MACHINE, L"Software\\T"));
        EXPECT_EQ(ERROR_ACCESS_DENIED, key.status());
        EXPECT_EQ(L"text", opened.ReadString(L"v"));
        opened.Close();
    }
    EXPECT_EQ(3, g_calls);
    EXPECT_EQ(&RealRegistryApi(), &Registry());

    RegKey key;
    EXPECT_TRUE(key.OpenRead(HKEY_LOCAL_MACHINE, L"Software\\T"));
}

}  // namespace
}  // namespace tarn
