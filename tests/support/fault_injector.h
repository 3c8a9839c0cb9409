#pragma once

#include <windows.h>

#include "win/registry_api.h"
#include "win/task_scheduler.h"

#include <functional>
#include <string>
#include <vector>

namespace tarn::test {

// Which registry calls fail, and how.
struct FaultPlan {
    // 1-based numbers of the calls that fail.
    std::vector<int> failAt;
    // Every call after the first failing one fails as well.
    bool persistent = false;
    // A failing call that changes the registry makes its change first, then reports the error.
    bool afterEffect = false;
    LONG error = ERROR_SUCCESS;

    // Conditions that hold for the whole run, whatever the call: keys whose native name ends in
    // these (a dump path such as "HKLM\\Software\\...") refuse to be opened for deletion, or to be
    // created; security parts whose writing is refused (an owner with ERROR_INVALID_OWNER).
    std::wstring denyDeleteOf = {};
    std::wstring denyCreateOf = {};
    SECURITY_INFORMATION refusedSecurity = 0;

    // Another program's write, made just before call `intrudeAt` (1-based) is let through.
    int intrudeAt = 0;
    std::function<void()> intrusion = {};
};

// While in scope, every registry call of the program goes through a counting table that fails
// the planned calls. An empty plan only counts.
class FaultInjection {
public:
    explicit FaultInjection(FaultPlan plan);
    FaultInjection(int failAt, bool persistent, LONG error);
    ~FaultInjection();
    FaultInjection(const FaultInjection&) = delete;
    FaultInjection& operator=(const FaultInjection&) = delete;

    int calls() const;
    int injected() const;
    // What every call so far was.
    enum class CallKind { Read, Change, Close, Security };
    const std::vector<CallKind>& kinds() const;

private:
    ScopedRegistryApi scope_;
};

// The same for the scheduler and file calls of the task and shortcut operations: a failing call
// answers the plan's error (as an HRESULT where the call answers one).
class TaskFaultInjection {
public:
    explicit TaskFaultInjection(FaultPlan plan);
    ~TaskFaultInjection();
    TaskFaultInjection(const TaskFaultInjection&) = delete;
    TaskFaultInjection& operator=(const TaskFaultInjection&) = delete;

    int calls() const;
    int injected() const;
    const std::vector<FaultInjection::CallKind>& kinds() const;

private:
    ScopedTaskFileApi scope_;
};

}  // namespace tarn::test
