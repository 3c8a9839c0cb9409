#include "support/scoped_environment.h"

#include <windows.h>

#include <vector>

namespace tarn::test {

namespace {

std::optional<std::wstring> CurrentValue(const wchar_t* name) {
    const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(needed, L'\0');
    const DWORD count = ::GetEnvironmentVariableW(name, buffer.data(), needed);
    return std::wstring(buffer.data(), count < needed ? count : 0);
}

void Apply(const wchar_t* name, const std::optional<std::wstring>& value) {
    ::SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
}

}  // namespace

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value)
    : name_(name), previous_(CurrentValue(name)) {
    Apply(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    Apply(name_.c_str(), previous_);
}

}  // namespace tarn::test
