#include "win/task_scheduler.h"

#include "base/key_text.h"

#include <atomic>

namespace tarn {

const CLSID kTaskSchedulerClass = {0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kTaskSchedulerInterface = {0x148BD527, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kTaskInterface = {0x148BD524, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

namespace {

constexpr wchar_t kJobExtension[] = L".job";
constexpr std::size_t kJobExtensionLength = 4;

bool EndsWithJob(const std::wstring& name) {
    return name.size() > kJobExtensionLength &&
           EqualsNoCaseAscii(name.substr(name.size() - kJobExtensionLength), kJobExtension);
}

HRESULT RealCreateScheduler(ITaskScheduler** scheduler) {
    return ::CoCreateInstance(kTaskSchedulerClass, nullptr, CLSCTX_INPROC_SERVER, kTaskSchedulerInterface,
                              reinterpret_cast<void**>(scheduler));
}

HRESULT RealActivate(ITaskScheduler* scheduler, LPCWSTR name, IUnknown** item) {
    return scheduler->Activate(name, kTaskInterface, item);
}

HRESULT RealGetFlags(ITask* task, DWORD* flags) {
    return task->GetFlags(flags);
}

HRESULT RealSetFlags(ITask* task, DWORD flags) {
    return task->SetFlags(flags);
}

HRESULT RealSave(IPersistFile* file) {
    return file->Save(nullptr, TRUE);
}

BOOL RealDeleteFile(LPCWSTR path) {
    return ::DeleteFileW(path);
}

const TaskFileApi kRealTaskFileApi = {RealCreateScheduler, RealActivate, RealGetFlags,
                                      RealSetFlags,        RealSave,     RealDeleteFile};

std::atomic<const TaskFileApi*> g_activeTaskFileApi{&kRealTaskFileApi};

}  // namespace

const TaskFileApi& RealTaskFileApi() {
    return kRealTaskFileApi;
}

const TaskFileApi& TaskFiles() {
    return *g_activeTaskFileApi.load(std::memory_order_acquire);
}

ScopedTaskFileApi::ScopedTaskFileApi(const TaskFileApi& replacement)
    : previous_(g_activeTaskFileApi.exchange(&replacement, std::memory_order_acq_rel)) {}

ScopedTaskFileApi::~ScopedTaskFileApi() {
    g_activeTaskFileApi.store(previous_, std::memory_order_release);
}

com_ptr<ITaskScheduler> CreateTaskScheduler() {
    com_ptr<ITaskScheduler> scheduler;
    if (FAILED(TaskFiles().createScheduler(scheduler.put()))) {
        return {};
    }
    return scheduler;
}

com_ptr<ITask> ActivateTask(ITaskScheduler& scheduler, const std::wstring& name) {
    auto activate = [&scheduler](const std::wstring& itemName) {
        com_ptr<IUnknown> unknown;
        com_ptr<ITask> task;
        if (SUCCEEDED(TaskFiles().activate(&scheduler, itemName.c_str(), unknown.put())) && unknown) {
            unknown->QueryInterface(kTaskInterface, task.put_void());
        }
        return task;
    };
    com_ptr<ITask> task = activate(name);
    if (!task && EndsWithJob(name)) {
        task = activate(name.substr(0, name.size() - kJobExtensionLength));
    }
    return task;
}

com_ptr<ITask> TaskSchedulerSession::Task(const std::wstring& name) const {
    return scheduler_ ? ActivateTask(*scheduler_, name) : com_ptr<ITask>();
}

std::wstring TakeTaskString(LPWSTR text) {
    if (text == nullptr) {
        return {};
    }
    std::wstring copy(text);
    ::CoTaskMemFree(text);
    return copy;
}

}  // namespace tarn
