#pragma once

#include "model/autorun_base.h"
#include "win/task_scheduler.h"

#include <windows.h>

#include "base/task_xml.h"

#include <optional>
#include <map>
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
    // The application a work item runs, and its parameters; empty when they cannot be read.
    static std::wstring ReadTaskApplication(const std::wstring& name);
    static std::wstring ReadTaskParameters(const std::wstring& name);

    void ClearResults() override;

private:
    // The work items of the 1.0 interface, but for those the newer one listed.
    void ListWorkItems();
    void AddTask(const std::wstring& name, const ReadContext& at);
    // False where the 2.0 interfaces are missing or do not connect.
    bool ListTaskService();
    void ListFolder(const TaskServiceSession& session, const std::wstring& path, int depth);
    void ListServiceTask(ITaskFolder& folder, const std::wstring& folderPath, const std::wstring& name);
    // A task that is there but cannot be read: listed with why, starting no known file.
    void AddUnreadableTask(const std::wstring& folderPath, const std::wstring& path, const std::wstring& why, bool on);
    void AddAction(const std::wstring& path,
                   const TaskDefinition& definition,
                   const TaskAction& action,
                   const ReadContext& at);

    // Whether a work item of the older interface is a task of the root folder the newer one listed:
    // the same name and the same program and arguments (a work item that only shares a name with a
    // task is another registration).
    bool ListedByTheNewerInterface(const std::wstring& name,
                                   const std::wstring& program,
                                   const std::wstring& arguments);

    // A COM handler action: the class's in-process server.
    void AddComHandler(AutoRunEntry entry, const std::wstring& clsid, const ReadContext& at);
    // The tasks of the scheduler's registry cache that its interfaces did not return (task_cache.cpp).
    void ListCachedTasks();
    void WalkCachedFolder(const std::wstring& keyPath, const std::wstring& taskPath, int depth);
    void AddCachedTask(const std::wstring& taskPath, const std::wstring& treeKeyText, const std::wstring& id);

    // The program actions of the root folder's tasks the newer interface listed, by folded name.
    std::map<std::wstring, std::vector<TaskAction>> rootTasks_;
    // The full paths of the tasks the newer interface returned, folded.
    std::set<std::wstring> servicePaths_;
};

}  // namespace tarn
