// What a page's command deletes: a stored entry whose file went is still the stored one.
#include "pages/state_calls.h"

#include "support/registry_sandbox.h"
#include "support/registry_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn {
namespace {

using namespace test::paths;

TEST(RunStateCall, DeletingAStoredEntryWhoseFileWentLeavesTheLiveOneOfItsName) {
    const test::RegistrySandbox sandbox;
    test::WriteString(HKEY_CURRENT_USER, kRun, L"Tool", L"c:\\live.exe");
    test::WriteString(HKEY_CURRENT_USER, kRun + L"\\TarnAutoRunDisable", L"Tool", L"c:\\gone.exe");
    AutoRunEntry stored;
    stored.name = L"Tool";
    stored.location = L"HKCU\\" + kRun;
    stored.entryKind = KindValue;
    stored.state = EntryFileMissing;
    stored.inStore = true;
    CAutoRunStateChanges changes;
    EXPECT_EQ(1, RunStateCall(changes, {Operation::DeleteValueEntry, NameField::Name}, stored));
    EXPECT_TRUE(test::ValueExists(HKEY_CURRENT_USER, kRun, L"Tool"));
    EXPECT_FALSE(test::ValueExists(HKEY_CURRENT_USER, kRun + L"\\TarnAutoRunDisable", L"Tool"));
}

}  // namespace
}  // namespace tarn
