#pragma once

#include "win/registry_api.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <string>

namespace tarn::test {

// Holds a scan where it opens the registry key `path` (as the enumerator of one category does),
// until released: the categories before it are enumerated by then and no page has filled yet.
// `occurrence` picks which open of the path holds it (1 for the first).
class ScanGate {
public:
    explicit ScanGate(std::wstring path, int occurrence = 1);
    ~ScanGate();
    ScanGate(const ScanGate&) = delete;
    ScanGate& operator=(const ScanGate&) = delete;

    bool WaitReached();
    void Release();

private:
    static LSTATUS WINAPI Open(HKEY key, LPCWSTR path, DWORD options, REGSAM rights, PHKEY result);

    std::wstring path_;
    int occurrence_;
    unique_handle reached_;
    unique_handle release_;
    ScopedRegistryApi scope_;
};

}  // namespace tarn::test
