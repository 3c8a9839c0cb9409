#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarn::test {

// Work items created in the prefix's real task scheduler for one test, deleted again afterwards.
class ScheduledTasks {
public:
    ScheduledTasks();
    ~ScheduledTasks();
    ScheduledTasks(const ScheduledTasks&) = delete;
    ScheduledTasks& operator=(const ScheduledTasks&) = delete;

    // Creates and saves a work item; its name is listed with ".job" appended.
    void Create(const std::wstring& name, const std::wstring& application, DWORD flags);

private:
    std::vector<std::wstring> created_;
};

// Names of the work items the scheduler lists now.
std::vector<std::wstring> ListedTaskNames();

}  // namespace tarn::test
