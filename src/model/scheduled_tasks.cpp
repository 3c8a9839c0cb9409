#include "model/scheduled_tasks.h"

#include "base/key_text.h"
#include "win/environment.h"
#include "win/task_scheduler.h"

namespace tarn {

namespace {

constexpr ULONG kNamesPerBatch = 10;

}  // namespace

int32_t CTarnAutoRunScheduledTasks::Enumerate() {
    results_.pass = 0;
    return EnumerateOpenKey();
}

int32_t CTarnAutoRunScheduledTasks::EnumerateOpenKey() {
    const TaskSchedulerSession session;
    if (!session) {
        return 0;
    }
    results_.locationText = JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"Tasks");
    com_ptr<IEnumWorkItems> items;
    if (FAILED(session.scheduler().Enum(items.put())) || !items) {
        return 0;
    }
    for (;;) {
        LPWSTR* names = nullptr;
        ULONG fetched = 0;
        if (FAILED(items->Next(kNamesPerBatch, &names, &fetched)) || names == nullptr || fetched == 0) {
            ::CoTaskMemFree(names);
            break;
        }
        // Each batch is handled from its last name to its first.
        for (ULONG i = fetched; i-- > 0;) {
            AddTask(TakeTaskString(names[i]));
        }
        ::CoTaskMemFree(names);
    }
    return 0;
}

void CTarnAutoRunScheduledTasks::AddTask(const std::wstring& name) {
    AutoRunEntry& entry = NewEntry();
    entry.name = name;
    const auto flags = ReadTaskFlags(name);
    results_.pass = flags && (*flags & TASK_FLAG_DISABLED) != 0 ? 1 : 0;
    entry.commandLine = ReadTaskApplication(name);
    if (ResolveCurrent(entry.commandLine)) {
        AddEntry(LocationFolder);
    }
}

std::optional<DWORD> CTarnAutoRunScheduledTasks::ReadTaskFlags(const std::wstring& name) {
    const TaskSchedulerSession session;
    const com_ptr<ITask> task = session.Task(name);
    DWORD flags = 0;
    if (!task || FAILED(task->GetFlags(&flags))) {
        return std::nullopt;
    }
    return flags;
}

std::wstring CTarnAutoRunScheduledTasks::ReadTaskApplication(const std::wstring& name) {
    const TaskSchedulerSession session;
    const com_ptr<ITask> task = session.Task(name);
    LPWSTR application = nullptr;
    if (!task || FAILED(task->GetApplicationName(&application))) {
        return {};
    }
    return TakeTaskString(application);
}

}  // namespace tarn
