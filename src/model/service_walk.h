#pragma once

// One walk of the Services key per scan, shared by the services and drivers categories: each
// service key is opened once and its values read in one pass.

#include "base/scan_scope.h"
#include "model/reg_key.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// What the two categories ask of one service key, in the order the walk met the keys.
struct ServiceKeyRecord {
    std::wstring name;
    bool opened = false;  // false: the key could not be opened and tells nothing
    LONG openStatus = ERROR_SUCCESS;
    bool hasObjectName = false;
    std::optional<DWORD> start;
    std::optional<DWORD> kept;
    std::optional<std::wstring> imagePath;
    std::optional<std::wstring> serviceDll;  // "Parameters\ServiceDll", read for services only
    // What runs when the service fails, live and in the service's store, and the actions taken then.
    std::optional<std::wstring> failureCommand;
    std::optional<std::wstring> storedFailureCommand;
    std::vector<BYTE> failureActions;
};

// The walk of the Services key: every subkey, and what kept the walk from being whole (the key
// not there, ERROR_FILE_NOT_FOUND, is no failure).
struct ServiceKeys {
    std::vector<ServiceKeyRecord> records;
    LONG failure = ERROR_SUCCESS;
};

// Reads every subkey of the open Services key.
ServiceKeys ReadServiceKeys(RegKey& services);
// Opens the Services key and reads it.
ServiceKeys WalkServiceKeys();

// The walk of one scan, made by the first category that asks.
class ServiceWalk {
public:
    const ServiceKeys& Keys();

private:
    std::once_flag once_;
    ServiceKeys keys_;
};

// A scan's walk, current from construction to destruction.
using ServiceWalkScope = ScanScope<ServiceWalk>;

// The walk of the scan that runs now; none outside a scan, where each category walks itself.
inline std::shared_ptr<ServiceWalk> CurrentServiceWalk() {
    return ServiceWalkScope::Current();
}

}  // namespace tarn
