#pragma once

#include "state/state_changes.h"
#include "support/registry_dump.h"
#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn::test {

// A value as the registry holds it, read with the plain API; nothing when it does not exist.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const RawValue& other) const { return type == other.type && bytes == other.bytes; }
};
std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name);

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
