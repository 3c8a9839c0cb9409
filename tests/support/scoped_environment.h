#pragma once

#include <optional>
#include <string>

namespace tarn::test {

// Sets (or, given nothing, removes) a process environment variable and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

}  // namespace tarn::test
