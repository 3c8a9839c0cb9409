#pragma once

#include "model/autorun_base.h"
#include "win/task_scheduler.h"

#include <windows.h>

#include "base/task_xml.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarn {

// "任务计划": the scheduled tasks, each with what it runs. Where the Task Scheduler 2.0 answers,
// every task of every folder (hidden ones too) is listed from it, one record per action, its name
// its full path; the work items of the 1.0 interface follow, but for those already listed. A task
// is shown as switched off exactly when it is not enabled.
class CTarnAutoRunScheduledTasks : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

    // The flags of a work item; nothing when it cannot be opened. COM is initialised for the call.
    static std::optional<DWORD> ReadTaskFlags(const std::wstring& name);
    // The application a work item runs; empty when it cannot be read.
    static std::wstring ReadTaskApplication(const std::wstring& name);

    void ClearResults() override;

private:
    // The work items of the 1.0 interface, but for those the newer one listed.
    void ListWorkItems();
    void AddTask(const std::wstring& name, const ReadContext& at);
    // False where the 2.0 interfaces are missing or do not connect.
    bool ListTaskService(std::set<std::wstring>& rootNames);
    void ListFolder(const TaskServiceSession& session,
                    const std::wstring& path,
                    int depth,
                    std::set<std::wstring>& rootNames);
    void ListServiceTask(ITaskFolder& folder, const std::wstring& folderPath, const std::wstring& name);
    // A task that is there but cannot be read: listed with why, starting no known file.
    void AddUnreadableTask(const std::wstring& folderPath, const std::wstring& path, const std::wstring& why, bool on);
    void AddAction(const std::wstring& path,
                   const TaskDefinition& definition,
                   const TaskAction& action,
                   const ReadContext& at);

    // The tasks of the root folder the newer interface listed, by folded name.
    std::set<std::wstring> rootNames_;
};

}  // namespace tarn
