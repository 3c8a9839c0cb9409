#pragma once

#include "win/task_scheduler.h"

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

// Tasks of the newer scheduler, made as it keeps them: one definition file per task below the
// system folder's "Tasks", in a folder per task folder. Everything made below the test's own top
// folder (and the copies a delete kept of its tasks) is removed again afterwards.
class TaskDefinitionFiles {
public:
    // `top` is the test's own folder below the scheduler's root ("\\TarnTest1234").
    explicit TaskDefinitionFiles(std::wstring top);
    ~TaskDefinitionFiles();
    TaskDefinitionFiles(const TaskDefinitionFiles&) = delete;
    TaskDefinitionFiles& operator=(const TaskDefinitionFiles&) = delete;

    // Writes a definition (UTF-16 with its mark) at a path below the top folder ("\\A\\B");
    // returns the task's full path.
    std::wstring Add(const std::wstring& below, const std::wstring& xml) const;
    // The definition file of a task's full path, and the first copy a delete keeps of it.
    static std::wstring FileOf(const std::wstring& taskPath);
    static std::wstring KeptCopyOf(const std::wstring& taskPath);
    // Writes a definition at a task's full path, with no removal afterwards.
    static void Write(const std::wstring& taskPath, const std::wstring& xml);
    // Removes a top folder's definitions and kept copies.
    static void Remove(const std::wstring& top);

private:
    std::wstring top_;
};

// A task definition: RegistrationInfo with author and description (left out when empty), the
// trigger elements, Settings with Enabled and Hidden, and the action elements as given.
std::wstring TaskXml(const std::wstring& author,
                     const std::wstring& description,
                     const std::wstring& triggers,
                     bool enabled,
                     bool hidden,
                     const std::wstring& actions);

}  // namespace tarn::test

namespace tarn::test {

// Schedulers that behave otherwise than Wine's, standing in for its switches while in scope (on
// top of the table in use then): one whose enabled flag is set in the task's definition, and one
// that answers a flag change without making it (as Wine's does) but keeps a definition registered
// over a task exactly as given. Wine's own keeps no program of an action it is given.
enum class StandInScheduler { SetsTheFlag, TakesTheDefinition };

class ScopedStandInScheduler {
public:
    explicit ScopedStandInScheduler(StandInScheduler kind);
    ScopedStandInScheduler(const ScopedStandInScheduler&) = delete;
    ScopedStandInScheduler& operator=(const ScopedStandInScheduler&) = delete;

private:
    TaskFileApi table_;
    ScopedTaskFileApi scope_;
};

}  // namespace tarn::test
