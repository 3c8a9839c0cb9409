#include "state/task_state.h"

#include "base/key_text.h"
#include "win/environment.h"
#include "base/task_xml.h"
#include "win/task_scheduler.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

namespace {

constexpr std::size_t kMaxTaskFileLength = 7999;
constexpr int kMaxKeptCopies = 100;
constexpr int kSharedDeleteAttempts = 10;
constexpr DWORD kSharedDeletePauseMs = 100;

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

// A task of the 2.0 scheduler is named by its full path.
bool IsTaskPath(const std::wstring& name) {
    return !name.empty() && name[0] == L'\\';
}

// The registered task at a path, with its folder.
struct OpenedTask {
    com_ptr<ITaskFolder> folder;
    com_ptr<IRegisteredTask> task;
};

std::optional<OpenedTask> OpenServiceTask(const TaskServiceSession& session, const TaskPath& path) {
    OpenedTask opened;
    opened.folder = session.Folder(path.folder);
    if (!opened.folder || FAILED(TaskFiles().getTask(opened.folder.get(), path.name.c_str(), opened.task.put()))) {
        return std::nullopt;
    }
    return opened;
}

std::optional<std::wstring> XmlOf(IRegisteredTask& task) {
    unique_bstr xml;
    if (FAILED(TaskFiles().getXml(&task, xml.put()))) {
        return std::nullopt;
    }
    return xml.text();
}

std::optional<bool> EnabledOf(IRegisteredTask& task) {
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (FAILED(TaskFiles().getEnabled(&task, &enabled))) {
        return std::nullopt;
    }
    return enabled != VARIANT_FALSE;
}

// Switches only the enabled flag; success is the definition read back the same but for that flag.
int SetServiceTaskEnabled(const std::wstring& name, bool enabled) {
    const auto path = SplitTaskPath(name);
    const TaskServiceSession session;
    const auto task = path && session ? OpenServiceTask(session, *path) : std::nullopt;
    if (!task) {
        return 0;
    }
    const auto before = XmlOf(*task->task);
    const auto was = EnabledOf(*task->task);
    if (!before || !was) {
        return 0;
    }
    if (*was == enabled) {
        return 1;
    }
    if (FAILED(TaskFiles().putEnabled(task->task.get(), enabled ? VARIANT_TRUE : VARIANT_FALSE))) {
        return 0;
    }
    const auto reread = OpenServiceTask(session, *path);
    const auto after = reread ? XmlOf(*reread->task) : std::nullopt;
    const auto now = reread ? EnabledOf(*reread->task) : std::nullopt;
    if (now == enabled && after && WithoutEnabledFlag(*after) == WithoutEnabledFlag(*before)) {
        return 1;
    }
    // Something else changed, or nothing did: the flag goes back where it was, and it failed.
    if (reread && now == enabled) {
        TaskFiles().putEnabled(reread->task.get(), *was ? VARIANT_TRUE : VARIANT_FALSE);
    }
    return 0;
}

// Where a deleted task's definition is kept: "<system root>\Tasks\TarnAutoRunDisable\<path>.xml",
// with " (2)", " (3)" ... when that name is taken. Nothing for a path no file can be named after.
std::optional<std::wstring> KeptCopyPath(const std::wstring& taskPath, int number) {
    if (taskPath.find_first_of(L"/:*?\"<>|") != std::wstring::npos || taskPath.find(L"\\..") != std::wstring::npos ||
        taskPath.find(L"\\\\") != std::wstring::npos) {
        return std::nullopt;
    }
    std::wstring file = JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"Tasks\\TarnAutoRunDisable") + taskPath;
    if (number > 1) {
        file += L" (" + std::to_wstring(number) + L")";
    }
    file += L".xml";
    if (file.size() > kMaxTaskFileLength) {
        return std::nullopt;
    }
    return file;
}

void CreateFoldersOf(const std::wstring& file) {
    for (std::size_t slash = file.find(L'\\', 3); slash != std::wstring::npos; slash = file.find(L'\\', slash + 1)) {
        ::CreateDirectoryW(file.substr(0, slash).c_str(), nullptr);
    }
}

// The definition as the scheduler keeps it in its file. Only where it keeps no such file is the
// definition it answers taken instead (UTF-16 with its mark), and only when that says what every
// action starts: a scheduler may answer less than it keeps.
std::optional<std::string> DefinitionBytes(const std::wstring& taskPath, IRegisteredTask& task) {
    std::string bytes;
    const std::wstring file = JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"System32\\Tasks") + taskPath;
    if (::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (TaskFiles().readFile(file.c_str(), &bytes) && !bytes.empty()) {
            return bytes;
        }
        return std::nullopt;
    }
    const auto xml = XmlOf(task);
    const auto definition = xml ? ParseTaskXml(*xml) : std::nullopt;
    if (!definition || !ActionsAreComplete(*definition)) {
        return std::nullopt;
    }
    bytes = "\xFF\xFE";
    for (const wchar_t unit : *xml) {
        bytes.push_back(static_cast<char>(static_cast<uint16_t>(unit) & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<uint16_t>(unit) >> 8) & 0xFF));
    }
    return bytes;
}

// Writes the copy as a new file beside any earlier copies and reads it back: true only when it
// holds exactly the bytes.
bool KeepCopy(const std::wstring& taskPath, const std::string& bytes) {
    for (int number = 1; number <= kMaxKeptCopies; ++number) {
        const auto file = KeptCopyPath(taskPath, number);
        if (!file) {
            return false;
        }
        if (::GetFileAttributesW(file->c_str()) != INVALID_FILE_ATTRIBUTES) {
            continue;  // an earlier copy is never overwritten
        }
        CreateFoldersOf(*file);
        if (!TaskFiles().writeNewFile(file->c_str(), bytes)) {
            return false;
        }
        std::string read;
        if (TaskFiles().readFile(file->c_str(), &read) && read == bytes) {
            return true;
        }
        // Not known to be whole: the task stays, and a copy that may be partial does not.
        TaskFiles().deleteFile(file->c_str());
        return false;
    }
    return false;
}

// The definition is kept in a file first; the task goes only once the copy is whole.
int DeleteServiceTask(const std::wstring& name) {
    const auto path = SplitTaskPath(name);
    const TaskServiceSession session;
    const auto task = path && session ? OpenServiceTask(session, *path) : std::nullopt;
    if (!task) {
        return 0;
    }
    const auto bytes = DefinitionBytes(name, *task->task);
    if (!bytes || !KeepCopy(name, *bytes)) {
        return 0;
    }
    return SUCCEEDED(TaskFiles().deleteTask(task->folder.get(), path->name.c_str())) ? 1 : 0;
}

}  // namespace

std::wstring KeptTaskCopyFolder() {
    return JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"Tasks\\TarnAutoRunDisable");
}

int DisableTask(const std::wstring& name) {
    return IsTaskPath(name) ? SetServiceTaskEnabled(name, false) : SetTaskDisabled(name, true);
}

int EnableTask(const std::wstring& name) {
    return IsTaskPath(name) ? SetServiceTaskEnabled(name, true) : SetTaskDisabled(name, false);
}

int DeleteTask(const std::wstring& name) {
    if (IsTaskPath(name)) {
        return DeleteServiceTask(name);
    }
    if (!IsPlainFileName(name)) {
        return 0;
    }
    const auto folder = JoinKeyPath(ReadEnvironmentVariable(L"systemroot"), L"Tasks");
    if (!folder || folder->size() + 1 + name.size() > kMaxTaskFileLength) {
        return 0;
    }
    const std::wstring file = *folder + L"\\" + name;
    // The scheduler service reads a task's file when it changes, and the file cannot be deleted
    // while it does: a delete refused for sharing is tried again a few times.
    for (int attempt = 1;; ++attempt) {
        if (TaskFiles().deleteFile(file.c_str())) {
            return 1;
        }
        if (::GetLastError() != ERROR_SHARING_VIOLATION || attempt == kSharedDeleteAttempts) {
            return 0;
        }
        ::Sleep(kSharedDeletePauseMs);
    }
}

}  // namespace tarn
