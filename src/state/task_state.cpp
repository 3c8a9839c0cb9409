#include "state/task_state.h"

#include "base/key_text.h"
#include "win/environment.h"
#include "win/task_scheduler.h"

#include <windows.h>

namespace tarn {

namespace {

constexpr std::size_t kMaxTaskFileLength = 7999;

// Sets the disabled flag on or off and saves the task to its own file.
int SetTaskDisabled(const std::wstring& name, bool disabled) {
    const TaskSchedulerSession session;
    const com_ptr<ITask> task = session.Task(name);
    DWORD flags = 0;
    if (!task || FAILED(TaskFiles().getFlags(task.get(), &flags))) {
        return 0;
    }
    flags = disabled ? (flags | TASK_FLAG_DISABLED) : (flags & ~static_cast<DWORD>(TASK_FLAG_DISABLED));
    com_ptr<IPersistFile> file;
    if (FAILED(TaskFiles().setFlags(task.get(), flags)) || FAILED(task.query_to(file)) ||
        FAILED(TaskFiles().save(file.get()))) {
        return 0;
    }
    return 1;
}

bool IsPlainFileName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos && name.find(L"..") == std::wstring::npos;
}

}  // namespace

int DisableTask(const std::wstring& name) {
    return SetTaskDisabled(name, true);
}

int EnableTask(const std::wstring& name) {
    return SetTaskDisabled(name, false);
}

int DeleteTask(const std::wstring& name) {
    if (!IsPlainFileName(name)) {
        return 0;
    }
    const auto folder = JoinKeyPath(ReadEnvironmentVariable(L"systemroot"), L"Tasks");
    if (!folder || folder->size() + 1 + name.size() > kMaxTaskFileLength) {
        return 0;
    }
    const std::wstring file = *folder + L"\\" + name;
    return TaskFiles().deleteFile(file.c_str()) ? 1 : 0;
}

}  // namespace tarn
