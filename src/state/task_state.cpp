#include "state/task_state.h"
#include "state/state_support.h"

#include "base/kept_copy_name.h"
#include "base/key_text.h"
#include "win/unique_handle.h"
#include "win/environment.h"
#include "base/task_xml.h"
#include "win/task_scheduler.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

namespace {

constexpr std::size_t kMaxTaskFileLength = 7999;
constexpr int kSharedDeleteAttempts = 10;
constexpr DWORD kSharedDeletePauseMs = 100;

// The flags of a work item as its file holds them now; nothing when they cannot be read.
std::optional<DWORD> SavedFlags(const std::wstring& name) {
    const TaskSchedulerSession session;
    const com_ptr<ITask> task = session.Task(name);
    DWORD flags = 0;
    if (!task || FAILED(TaskFiles().getFlags(task.get(), &flags))) {
        return std::nullopt;
    }
    return flags;
}

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
        // A save that reports a failure may have been made all the same: the file tells.
        return SavedFlags(name) == flags ? 1 : 0;
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

// Where the scheduler keeps a task's definition file.
std::wstring DefinitionFileOf(const std::wstring& taskPath) {
    return JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"System32\\Tasks") + taskPath;
}

// A task as the scheduler has it now: its definition (its file where the scheduler keeps one, with
// the file's bytes, else what the scheduler answers) and its enabled flag.
struct TaskNow {
    std::wstring text;
    std::optional<std::string> fileBytes;
    bool enabled = false;

    bool operator==(const TaskNow& other) const {
        return text == other.text && fileBytes == other.fileBytes && enabled == other.enabled;
    }
};

constexpr int kReadBackAttempts = 3;

std::optional<TaskNow> ReadTaskNow(const TaskServiceSession& session, const TaskPath& path, const std::wstring& name) {
    const auto task = OpenServiceTask(session, path);
    const auto enabled = task ? EnabledOf(*task->task) : std::nullopt;
    if (!enabled) {
        return std::nullopt;
    }
    TaskNow now;
    now.enabled = *enabled;
    const std::wstring file = DefinitionFileOf(name);
    if (::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::string bytes;
        if (!TaskFiles().readFile(file.c_str(), &bytes)) {
            return std::nullopt;
        }
        now.text = TaskFileText(bytes);
        now.fileBytes = std::move(bytes);
        return now;
    }
    const auto xml = XmlOf(*task->task);
    if (!xml) {
        return std::nullopt;
    }
    now.text = *xml;
    return now;
}

// Read back after a change: tried again a few times, as a change whose answer was lost must still be
// told from one that was not made.
std::optional<TaskNow> ReadBack(const TaskServiceSession& session, const TaskPath& path, const std::wstring& name) {
    for (int attempt = 0; attempt < kReadBackAttempts; ++attempt) {
        if (auto now = ReadTaskNow(session, path, name)) {
            return now;
        }
    }
    return std::nullopt;
}

// Registers a definition over the task (or, with `create`, as a new one), with the logon type of its
// own principal.
void Register(const TaskServiceSession& session,
              const std::wstring& folderPath,
              const std::wstring& name,
              const std::wstring& xml,
              bool create = false) {
    const auto definition = ParseTaskXml(xml);
    const com_ptr<ITaskFolder> folder = session.Folder(folderPath);
    if (definition && folder) {
        TaskFiles().registerTask(folder.get(), name.c_str(), xml.c_str(),
                                 static_cast<TASK_LOGON_TYPE>(definition->logonType), create);
    }
}

void RegisterOverItself(const TaskServiceSession& session, const TaskPath& path, const std::wstring& xml) {
    Register(session, path.folder, path.name, xml);
}

constexpr int kPutBackAttempts = 3;

// Whether the scheduler keeps a definition registered over a task exactly as it is given (one may
// keep only what it understands of it, and so lose the task's program): tried first on a switched
// off copy registered beside the task under a name of its own, which goes again at once.
bool KeepsDefinitionsAsGiven(const TaskServiceSession& session, const TaskPath& path, const std::wstring& text) {
    const auto disabled = WithEnabledFlag(text, false);
    const com_ptr<ITaskFolder> folder = session.Folder(path.folder);
    if (!disabled || !folder) {
        return false;
    }
    const TaskPath probe{path.folder, path.name + L".tarnwell-probe"};
    com_ptr<IRegisteredTask> taken;
    if (TaskFiles().getTask(folder.get(), probe.name.c_str(), taken.put()) !=
        HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        return false;  // the name is another's, or whether it is cannot be told
    }
    Register(session, probe.folder, probe.name, *disabled, true);
    const std::wstring probePath = (path.folder == L"\\" ? L"" : path.folder) + L"\\" + probe.name;
    const auto kept = ReadTaskNow(session, probe, probePath);
    const bool asGiven = kept && kept->text == *disabled;
    if (kept) {
        for (int attempt = 0; attempt < kPutBackAttempts; ++attempt) {
            if (SUCCEEDED(TaskFiles().deleteTask(folder.get(), probe.name.c_str()))) {
                break;
            }
        }
    }
    return asGiven;
}

// Puts the task back as it was: its flag, then its definition registered again, then (where the
// scheduler keeps a file and wrote another) the file's own bytes. True once it reads back as it was.
bool PutTaskBack(const TaskServiceSession& session,
                 const TaskPath& path,
                 const std::wstring& name,
                 const TaskNow& before) {
    auto now = ReadBack(session, path, name);
    if (now && *now == before) {
        return true;
    }
    if (now && now->enabled != before.enabled) {
        if (const auto task = OpenServiceTask(session, path)) {
            TaskFiles().putEnabled(task->task.get(), before.enabled ? VARIANT_TRUE : VARIANT_FALSE);
        }
        now = ReadBack(session, path, name);
        if (now && *now == before) {
            return true;
        }
    }
    RegisterOverItself(session, path, before.text);
    now = ReadBack(session, path, name);
    if (now && *now == before) {
        return true;
    }
    for (int attempt = 0; before.fileBytes && attempt < kPutBackAttempts; ++attempt) {
        const std::wstring file = DefinitionFileOf(name);
        TaskFiles().replaceFile(file.c_str(), *before.fileBytes);
        now = ReadBack(session, path, name);
        if (now && *now == before) {
            return true;
        }
    }
    return false;
}

// Switches a task of the newer scheduler: its enabled flag where the scheduler sets it, else its
// definition with Settings/Enabled changed, registered again over itself. Every change is read back:
// success is the task the same but for that flag; anything else is put back and fails.
int SetServiceTaskEnabled(const std::wstring& name, bool enabled) {
    const auto path = SplitTaskPath(name);
    const TaskServiceSession session;
    const auto before = path && session ? ReadTaskNow(session, *path, name) : std::nullopt;
    if (!before) {
        return 0;
    }
    if (before->enabled == enabled) {
        return 1;
    }
    const auto switched = [&](const std::optional<TaskNow>& now) {
        return now && now->enabled == enabled && WithoutEnabledFlag(now->text) == WithoutEnabledFlag(before->text);
    };
    // The flag itself. Whatever the scheduler answers, the task read back tells what it did.
    if (const auto task = OpenServiceTask(session, *path)) {
        TaskFiles().putEnabled(task->task.get(), enabled ? VARIANT_TRUE : VARIANT_FALSE);
    }
    auto now = ReadBack(session, *path, name);
    if (switched(now)) {
        return 1;
    }
    if (!now || !(*now == *before)) {
        PutTaskBack(session, *path, name, *before);
        return 0;
    }
    // The scheduler left the flag alone: the definition with the flag changed, over itself, where the
    // scheduler is known to keep it as given.
    const auto changed = WithEnabledFlag(before->text, enabled);
    if (!changed || !KeepsDefinitionsAsGiven(session, *path, before->text)) {
        return 0;
    }
    RegisterOverItself(session, *path, *changed);
    now = ReadBack(session, *path, name);
    if (switched(now)) {
        return 1;
    }
    if (!now || !(*now == *before)) {
        PutTaskBack(session, *path, name, *before);
    }
    return 0;
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

// Kept below "<system root>\\Tasks\\TarnAutoRunDisable" at the task's escaped path, ".xml" added.
bool KeepCopy(const std::wstring& taskPath, const std::string& bytes) {
    const auto relative = KeptCopyRelativePath(taskPath);
    return relative &&
           KeepNewCopy(JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"Tasks"), KeptTaskCopyFolder() + *relative,
                       bytes);
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
    const std::wstring file = DefinitionFileOf(name);
    const bool keptAFile = ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (SUCCEEDED(TaskFiles().deleteTask(task->folder.get(), path->name.c_str()))) {
        return 1;
    }
    // A delete that reports a failure may have been made all the same: the scheduler tells, and so
    // does its file where it keeps one.
    com_ptr<IRegisteredTask> still;
    const HRESULT hr = TaskFiles().getTask(task->folder.get(), path->name.c_str(), still.put());
    const bool fileGone = !keptAFile || ::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES;
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) && fileGone ? 1 : 0;
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
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return 0;  // no such task
    }
    // The scheduler service reads a task's file when it changes, and the file cannot be deleted
    // while it does: a delete refused for sharing is tried again a few times.
    for (int attempt = 1;; ++attempt) {
        if (TaskFiles().deleteFile(file.c_str())) {
            return 1;
        }
        const DWORD error = ::GetLastError();
        // A delete that reports a failure may have been made all the same.
        if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
            return 1;
        }
        if (error != ERROR_SHARING_VIOLATION || attempt == kSharedDeleteAttempts) {
            return 0;
        }
        ::Sleep(kSharedDeletePauseMs);
    }
}

}  // namespace tarn
