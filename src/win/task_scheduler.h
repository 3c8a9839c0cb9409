#pragma once

#include "win/com_ptr.h"

#include <windows.h>
#include <mstask.h>

#include <optional>
#include <string>

namespace tarn {

// Task Scheduler 1.0 identifiers, defined here so that no import library has to provide them.
extern const CLSID kTaskSchedulerClass;
extern const IID kTaskSchedulerInterface;
extern const IID kTaskInterface;

// Every scheduler and file call of the task and shortcut operations goes through this table, so
// that a test can make a chosen call fail. Each answers as the call it stands for.
struct TaskFileApi {
    HRESULT (*createScheduler)(ITaskScheduler** scheduler);
    HRESULT (*activate)(ITaskScheduler* scheduler, LPCWSTR name, IUnknown** item);
    HRESULT (*getFlags)(ITask* task, DWORD* flags);
    HRESULT (*setFlags)(ITask* task, DWORD flags);
    // Saves the task to its own file.
    HRESULT (*save)(IPersistFile* file);
    BOOL (*deleteFile)(LPCWSTR path);
};

const TaskFileApi& RealTaskFileApi();
const TaskFileApi& TaskFiles();

// Installs another table for the life of the scope; restores the previous one afterwards.
class ScopedTaskFileApi {
public:
    explicit ScopedTaskFileApi(const TaskFileApi& replacement);
    ~ScopedTaskFileApi();
    ScopedTaskFileApi(const ScopedTaskFileApi&) = delete;
    ScopedTaskFileApi& operator=(const ScopedTaskFileApi&) = delete;

private:
    const TaskFileApi* previous_;
};

// The scheduler of this machine; empty when it cannot be created. COM must be initialised.
com_ptr<ITaskScheduler> CreateTaskScheduler();

// COM on the calling thread and the machine's scheduler, for the life of the scope; false when
// either cannot be had.
class TaskSchedulerSession {
public:
    TaskSchedulerSession() : scheduler_(apartment_.ok() ? CreateTaskScheduler() : com_ptr<ITaskScheduler>()) {}
    TaskSchedulerSession(const TaskSchedulerSession&) = delete;
    TaskSchedulerSession& operator=(const TaskSchedulerSession&) = delete;

    explicit operator bool() const { return static_cast<bool>(scheduler_); }
    ITaskScheduler& scheduler() const { return *scheduler_; }
    // The work item listed under `name`; empty when there is no scheduler or no such item.
    com_ptr<ITask> Task(const std::wstring& name) const;

private:
    ComApartment apartment_;
    com_ptr<ITaskScheduler> scheduler_;
};

// Opens a work item by the name it is listed under. Some schedulers list names with the ".job"
// of their files but open them only without it: such a name is tried both ways.
com_ptr<ITask> ActivateTask(ITaskScheduler& scheduler, const std::wstring& name);

// A string the scheduler allocated, freed with CoTaskMemFree.
std::wstring TakeTaskString(LPWSTR text);

}  // namespace tarn
