#pragma once

#include "state/state_changes.h"
#include "support/registry_dump.h"
#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn::test {

// Text of a string value read with the plain API (up to its terminator).
std::wstring ReadText(HKEY root, const std::wstring& path, const std::wstring& name);

// The names of a key's values, in the registry's letter case.
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path);

// A sandboxed registry and a state-change object for one test.
class StateTest : public ::testing::Test {
protected:
    RegistrySandbox sandbox;
    CAutoRunStateChanges changes;
};

}  // namespace tarn::test
