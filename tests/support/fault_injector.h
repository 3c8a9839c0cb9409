#pragma once

#include <windows.h>

#include "model/registry_api.h"

namespace tarn::test {

// While in scope, every registry call of the program goes through a counting table; call number
// `failAt` (1-based) fails with `error`, and with `persistent` every later call fails as well.
// `failAt` 0 only counts.
class FaultInjection {
public:
    FaultInjection(int failAt, bool persistent, LONG error);
    ~FaultInjection();
    FaultInjection(const FaultInjection&) = delete;
    FaultInjection& operator=(const FaultInjection&) = delete;

    int calls() const;
    int injected() const;

private:
    ScopedRegistryApi scope_;
};

}  // namespace tarn::test
