#pragma once

#include "model/autorun_base.h"

#include <windows.h>

#include <optional>
#include <string>

namespace tarn {

// "任务计划": the work items of the Task Scheduler, each with the application it runs. A task is
// shown as switched off exactly when its disabled flag is set.
class CTarnAutoRunScheduledTasks : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    int32_t EnumerateOpenKey() override;

    // The flags of a work item; nothing when it cannot be opened. COM is initialised for the call.
    static std::optional<DWORD> ReadTaskFlags(const std::wstring& name);
    // The application a work item runs; empty when it cannot be read.
    static std::wstring ReadTaskApplication(const std::wstring& name);

private:
    void AddTask(const std::wstring& name);
};

}  // namespace tarn
