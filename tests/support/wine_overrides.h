#pragma once

#include <initializer_list>
#include <string>

namespace tarn::test {

// While in scope, Wine loads these DLLs of the program named `program` ("tarnscan.exe") as Windows
// does, looking beside the program first (Wine prefers its own copies otherwise). Wine reads this
// from its registry: an override set in the environment of the test does not reach the programs it
// starts.
class ScopedWindowsDllSearch {
public:
    ScopedWindowsDllSearch(const std::wstring& program, std::initializer_list<const wchar_t*> dlls);
    ~ScopedWindowsDllSearch();
    ScopedWindowsDllSearch(const ScopedWindowsDllSearch&) = delete;
    ScopedWindowsDllSearch& operator=(const ScopedWindowsDllSearch&) = delete;

private:
    std::wstring key_;
};

}  // namespace tarn::test
