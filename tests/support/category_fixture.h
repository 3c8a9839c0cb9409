#pragma once

#include "model/autorun_base.h"
#include "support/registry_sandbox.h"
#include "support/scoped_environment.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn::test {

// A sandboxed registry and a scratch system root ("systemroot" and "windir" point at
// <scratch>\WINDOWS, "programfiles" at <scratch>\Program Files) for the category tests.
class CategoryTest : public ::testing::Test {
protected:
    // Categories that look classes up redirect HKEY_CLASSES_ROOT as well.
    explicit CategoryTest(bool redirectClassesRoot = false) : sandbox(redirectClassesRoot) {}

    RegistrySandbox sandbox;
    ScratchFolder scratch;
    std::wstring root = scratch / L"WINDOWS";
    ScopedEnvironment systemRoot{L"systemroot", root};
    ScopedEnvironment windir{L"windir", root};
    ScopedEnvironment programFiles{L"programfiles", scratch / L"Program Files"};

    // Creates a file below the scratch folder; returns its full path.
    std::wstring File(const std::wstring& relative) const { return scratch.AddFile(relative); }
};

// Category tests that look classes up: HKEY_CLASSES_ROOT is redirected as well.
class ClassCategoryTest : public CategoryTest {
protected:
    ClassCategoryTest() : CategoryTest(true) {}

    // Registers a class under HKEY_CLASSES_ROOT with an optional name and DLL; returns the DLL's
    // path (a file made below the scratch folder).
    std::wstring RegisterClass(const std::wstring& clsid,
                               const std::optional<std::wstring>& name,
                               bool withServer = true);
};

// The identifying fields of an expected entry (location kind 14: a registry key).
struct Expected {
    std::wstring name;
    std::wstring commandLine;
    std::wstring imagePath;
    std::wstring location;
    std::wstring keyPath;
    std::wstring valueName;
    std::wstring subKeyName;
    int32_t entryKind = 0;
    int32_t locateKind = 0;
    int32_t state = EntryEnabled;
    int32_t locationKind = LocationKey;
};
std::wstring Describe(const Expected& expected);

// A one-line summary of the fields that identify an entry, for comparing whole lists.
std::wstring Describe(const AutoRunEntry& entry);
std::vector<std::wstring> DescribeAll(const CTarnAutoRunBase& enumerator);

// Empties the category's list and enumerates again, expecting the same list; returns the list as
// it was before.
std::vector<std::wstring> ExpectSameAfterRescan(CTarnAutoRunBase& enumerator);

// Names of the entries, in order.
std::vector<std::wstring> Names(const CTarnAutoRunBase& enumerator);

}  // namespace tarn::test
