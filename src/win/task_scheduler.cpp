#include "win/task_scheduler.h"

#include "model/key_text.h"

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

}  // namespace

com_ptr<ITaskScheduler> CreateTaskScheduler() {
    com_ptr<ITaskScheduler> scheduler;
    if (FAILED(::CoCreateInstance(kTaskSchedulerClass, nullptr, CLSCTX_INPROC_SERVER, kTaskSchedulerInterface,
                                  scheduler.put_void()))) {
        return {};
    }
    return scheduler;
}

com_ptr<ITask> ActivateTask(ITaskScheduler& scheduler, const std::wstring& name) {
    auto activate = [&scheduler](const std::wstring& itemName) {
        com_ptr<IUnknown> unknown;
        com_ptr<ITask> task;
        if (SUCCEEDED(scheduler.Activate(itemName.c_str(), kTaskInterface, unknown.put())) && unknown) {
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

std::wstring TakeTaskString(LPWSTR text) {
    if (text == nullptr) {
        return {};
    }
    std::wstring copy(text);
    ::CoTaskMemFree(text);
    return copy;
}

}  // namespace tarn
