#include "support/scan_gate.h"

#include <atomic>

namespace tarn::test {

namespace {

ScanGate* g_gate = nullptr;
std::wstring* g_gatePath = nullptr;
HANDLE g_reached = nullptr;
HANDLE g_release = nullptr;
std::atomic<int> g_opensLeft{0};

const RegistryApi& GateTable(decltype(RegistryApi::openKeyEx) open) {
    static RegistryApi table = [open] {
        RegistryApi copy = RealRegistryApi();
        copy.openKeyEx = open;
        return copy;
    }();
    return table;
}

}  // namespace

ScanGate::ScanGate(std::wstring path, int occurrence)
    : path_(std::move(path)),
      occurrence_(occurrence),
      reached_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      scope_(GateTable(Open)) {
    g_gatePath = &path_;
    g_reached = reached_.get();
    g_release = release_.get();
    g_opensLeft = occurrence_;
    g_gate = this;
}

ScanGate::~ScanGate() {
    Release();
    g_gate = nullptr;
}

bool ScanGate::WaitReached() {
    return ::WaitForSingleObject(reached_.get(), 60000) == WAIT_OBJECT_0;
}

void ScanGate::Release() {
    ::SetEvent(release_.get());
}

LSTATUS WINAPI ScanGate::Open(HKEY key, LPCWSTR path, DWORD options, REGSAM rights, PHKEY result) {
    if (g_gate != nullptr && path != nullptr && *g_gatePath == path && --g_opensLeft == 0) {
        ::SetEvent(g_reached);
        ::WaitForSingleObject(g_release, 60000);
    }
    return RealRegistryApi().openKeyEx(key, path, options, rights, result);
}

}  // namespace tarn::test
