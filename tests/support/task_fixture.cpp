#include "support/task_fixture.h"

#include "win/com_ptr.h"
#include "win/task_scheduler.h"

#include <gtest/gtest.h>

namespace tarn::test {

namespace {

const CLSID kTaskClass = {0x148BD520, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

}  // namespace

ScheduledTasks::ScheduledTasks() = default;

ScheduledTasks::~ScheduledTasks() {
    const ComApartment apartment;
    const com_ptr<ITaskScheduler> scheduler = CreateTaskScheduler();
    for (const std::wstring& name : created_) {
        if (scheduler) {
            scheduler->Delete(name.c_str());
        }
    }
}

void ScheduledTasks::Create(const std::wstring& name, const std::wstring& application, DWORD flags) {
    const ComApartment apartment;
    const com_ptr<ITaskScheduler> scheduler = CreateTaskScheduler();
    ASSERT_TRUE(static_cast<bool>(scheduler));
    com_ptr<IUnknown> unknown;
    ASSERT_HRESULT_SUCCEEDED(scheduler->NewWorkItem(name.c_str(), kTaskClass, kTaskInterface, unknown.put()));
    created_.push_back(name);
    com_ptr<ITask> task;
    ASSERT_HRESULT_SUCCEEDED(unknown->QueryInterface(kTaskInterface, task.put_void()));
    ASSERT_HRESULT_SUCCEEDED(task->SetApplicationName(application.c_str()));
    ASSERT_HRESULT_SUCCEEDED(task->SetFlags(flags));
    com_ptr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(task.query_to(file));
    ASSERT_HRESULT_SUCCEEDED(file->Save(nullptr, TRUE));
}

std::vector<std::wstring> ListedTaskNames() {
    std::vector<std::wstring> names;
    const ComApartment apartment;
    const com_ptr<ITaskScheduler> scheduler = CreateTaskScheduler();
    com_ptr<IEnumWorkItems> items;
    if (!scheduler || FAILED(scheduler->Enum(items.put()))) {
        return names;
    }
    LPWSTR* batch = nullptr;
    ULONG fetched = 0;
    while (SUCCEEDED(items->Next(1, &batch, &fetched)) && fetched == 1) {
        names.push_back(TakeTaskString(batch[0]));
        ::CoTaskMemFree(batch);
        batch = nullptr;
    }
    return names;
}

}  // namespace tarn::test
