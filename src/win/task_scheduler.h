#pragma once

#include "win/call_table.h"
#include "win/com_ptr.h"

#include <windows.h>
#include <mstask.h>
#include <taskschd.h>

#include <optional>
#include <string>
#include <vector>

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

    // Task Scheduler 2.0: the service, connected to this machine; a folder by its path; the names
    // of a folder's subfolders and of its tasks (hidden ones too); a task by its name; its enabled
    // flag; its definition as XML; deleting it.
    HRESULT (*connectService)(ITaskService** service);
    HRESULT (*getFolder)(ITaskService* service, const wchar_t* path, ITaskFolder** folder);
    HRESULT (*folderNames)(ITaskFolder* folder, std::vector<std::wstring>* names);
    HRESULT (*taskNames)(ITaskFolder* folder, std::vector<std::wstring>* names);
    HRESULT (*getTask)(ITaskFolder* folder, const wchar_t* name, IRegisteredTask** task);
    HRESULT (*getEnabled)(IRegisteredTask* task, VARIANT_BOOL* enabled);
    HRESULT (*putEnabled)(IRegisteredTask* task, VARIANT_BOOL enabled);
    HRESULT (*getXml)(IRegisteredTask* task, BSTR* xml);
    HRESULT (*deleteTask)(ITaskFolder* folder, const wchar_t* name);
    // Registers a definition as a new task (`create`) or over the task of that name, with the logon
    // type its own principal has.
    HRESULT(*registerTask)
    (ITaskFolder* folder, const wchar_t* name, const wchar_t* xml, TASK_LOGON_TYPE logon, bool create);

    // A file's whole contents, a file that did not exist written whole, and an existing file
    // replaced whole (written beside it, then moved over it).
    bool (*readFile)(const wchar_t* path, std::string* bytes);
    bool (*writeNewFile)(const wchar_t* path, const std::string& bytes);
    bool (*replaceFile)(const wchar_t* path, const std::string& bytes);

    // A file renamed within its volume, never over another (its bytes, times, attributes and
    // streams go with it); a folder made; an empty folder removed.
    bool (*moveFile)(const wchar_t* from, const wchar_t* to);
    bool (*createFolder)(const wchar_t* path);
    bool (*removeFolder)(const wchar_t* path);
};

const TaskFileApi& RealTaskFileApi();

using TaskFileCalls = CallTable<TaskFileApi, RealTaskFileApi>;

// The table in use now (the real one unless a test installed another).
inline const TaskFileApi& TaskFiles() {
    return TaskFileCalls::Current();
}

// Installs another table for the life of the scope; restores the previous one afterwards.
using ScopedTaskFileApi = TaskFileCalls::Scope;

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

// The Task Scheduler 2.0 service of this machine with COM on the calling thread, for the life of
// the scope; false where the interfaces are missing or do not connect.
class TaskServiceSession {
public:
    TaskServiceSession();
    TaskServiceSession(const TaskServiceSession&) = delete;
    TaskServiceSession& operator=(const TaskServiceSession&) = delete;

    explicit operator bool() const { return static_cast<bool>(service_); }
    // The folder at a path ("\" the root); empty when it cannot be opened (`result` says why).
    com_ptr<ITaskFolder> Folder(const std::wstring& path, HRESULT* result = nullptr) const;

private:
    ComApartment apartment_;
    com_ptr<ITaskService> service_;
};

// A task's full path split into its folder ("\" for the root) and its name.
struct TaskPath {
    std::wstring folder;
    std::wstring name;
};
std::optional<TaskPath> SplitTaskPath(const std::wstring& path);

}  // namespace tarn
