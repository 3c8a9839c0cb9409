#include "model/scheduled_tasks.h"

#include "base/key_text.h"
#include "base/registry_failure.h"
#include "base/registry_names.h"
#include "model/com_class.h"
#include "win/unique_handle.h"

#include <cwchar>
#include "win/environment.h"
#include "win/task_scheduler.h"

namespace tarn {

namespace {

constexpr ULONG kNamesPerBatch = 10;
// Folders nest no deeper in any real scheduler; a deeper chain is not walked.
constexpr int kMaxFolderDepth = 32;

std::wstring ChildTaskPath(const std::wstring& folder, const std::wstring& name) {
    return folder == L"\\" ? L"\\" + name : folder + L"\\" + name;
}

// Where the scheduler keeps its folders' definition files.
std::wstring TaskFolderOnDisk(const std::wstring& path) {
    const std::wstring root = JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"System32\\Tasks");
    return path == L"\\" ? root : root + path;
}

std::wstring TaskFileOnDisk(const std::wstring& path) {
    return TaskFolderOnDisk(L"\\") + path;
}

// The names of the files (or the folders) in a folder.
std::vector<std::wstring> FileNamesIn(const std::wstring& folder, bool folders) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const unique_find search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search) {
        return names;
    }
    do {
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::wstring name = found.cFileName;
        if (isFolder == folders && name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (::FindNextFileW(search.get(), &found));
    return names;
}

std::wstring TrimmedText(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    return first == std::wstring::npos ? std::wstring() : text.substr(first, text.find_last_not_of(L" \t") + 1 - first);
}

std::wstring WithoutJobExtension(const std::wstring& name) {
    return name.size() > 4 && EqualsNoCaseAscii(name.substr(name.size() - 4), L".job") ? name.substr(0, name.size() - 4)
                                                                                       : name;
}

}  // namespace

int32_t CTarnAutoRunScheduledTasks::Enumerate() {
    results_.unreadable.clear();
    rootTasks_.clear();
    servicePaths_.clear();
    ListTaskService();
    ListWorkItems();
    ListCachedTasks();
    return 0;
}

namespace {

// Where the records of a task come from: its folder, and whether it is switched off.
ReadContext TaskContext(const std::wstring& folder, bool on) {
    ReadContext at;
    at.pass = on ? 0 : 1;
    at.location = folder;
    return at;
}

}  // namespace

void CTarnAutoRunScheduledTasks::ClearResults() {
    CTarnAutoRunBase::ClearResults();
    rootTasks_.clear();
    servicePaths_.clear();
}

bool CTarnAutoRunScheduledTasks::ListTaskService() {
    const TaskServiceSession session;
    if (!session) {
        return false;
    }
    ListFolder(session, L"\\", 0);
    return true;
}

void CTarnAutoRunScheduledTasks::ListFolder(const TaskServiceSession& session, const std::wstring& path, int depth) {
    HRESULT hr = S_OK;
    const com_ptr<ITaskFolder> folder = session.Folder(path, &hr);
    if (!folder) {
        Unreadable(path, HresultText(hr));
        return;
    }
    std::vector<std::wstring> tasks;
    hr = TaskFiles().taskNames(folder.get(), &tasks);
    if (hr == E_NOTIMPL) {
        // A scheduler that cannot count its tasks still serves each by name: the names are those
        // of the definition files it keeps for the folder.
        tasks = FileNamesIn(TaskFolderOnDisk(path), false);
    } else if (FAILED(hr)) {
        Unreadable(path, HresultText(hr));
    }
    for (const std::wstring& name : tasks) {
        ListServiceTask(*folder, path, name);
    }
    std::vector<std::wstring> subfolders;
    hr = TaskFiles().folderNames(folder.get(), &subfolders);
    if (FAILED(hr)) {
        Unreadable(path, HresultText(hr));
    }
    if (depth >= kMaxFolderDepth) {
        return;
    }
    for (const std::wstring& name : subfolders) {
        ListFolder(session, ChildTaskPath(path, name), depth + 1);
    }
}

void CTarnAutoRunScheduledTasks::ListServiceTask(ITaskFolder& folder,
                                                 const std::wstring& folderPath,
                                                 const std::wstring& name) {
    const std::wstring path = ChildTaskPath(folderPath, name);
    servicePaths_.insert(FoldRegistryName(path));
    com_ptr<IRegisteredTask> task;
    HRESULT hr = TaskFiles().getTask(&folder, name.c_str(), task.put());
    if (FAILED(hr)) {
        Unreadable(path, HresultText(hr));
        AddUnreadableTask(folderPath, path, L"无法打开任务（" + HresultText(hr) + L"）", true);
        return;
    }
    VARIANT_BOOL enabled = VARIANT_TRUE;
    const bool knowsEnabled = SUCCEEDED(TaskFiles().getEnabled(task.get(), &enabled));
    unique_bstr xml;
    std::optional<TaskDefinition> definition;
    if (SUCCEEDED(TaskFiles().getXml(task.get(), xml.put()))) {
        definition = ParseTaskXml(xml.text());
    }
    // A scheduler that keeps only part of a definition in its answer still keeps it whole in its
    // file.
    if (!definition || !ActionsAreComplete(*definition)) {
        std::string bytes;
        if (TaskFiles().readFile(TaskFileOnDisk(path).c_str(), &bytes)) {
            const auto fromFile = ParseTaskXml(TaskFileText(bytes));
            if (fromFile && ActionsAreComplete(*fromFile)) {
                definition = fromFile;
            }
        }
    }
    const bool on = knowsEnabled ? enabled != VARIANT_FALSE : definition ? definition->enabled.value_or(true) : true;
    // An action that does not say what it starts is no reason to leave the task out.
    if (!definition || !ActionsAreComplete(*definition)) {
        Unreadable(path, L"无法读取任务定义");
        AddUnreadableTask(folderPath, path, L"无法读取任务定义", on);
        return;
    }
    const ReadContext at = TaskContext(folderPath, on);
    for (const TaskAction& action : definition->actions) {
        AddAction(path, *definition, action, at);
        if (folderPath == L"\\" && action.kind == TaskActionKind::Exec) {
            rootTasks_[FoldRegistryName(name)].push_back(action);
        }
    }
}

void CTarnAutoRunScheduledTasks::AddUnreadableTask(const std::wstring& folderPath,
                                                   const std::wstring& path,
                                                   const std::wstring& why,
                                                   bool on) {
    // Still listed: the scheduler may run it all the same, and the user can remove it.
    const ReadContext at = TaskContext(folderPath, on);
    AutoRunEntry entry = NewEntry(at);
    entry.name = path;
    entry.keyPath = path;
    entry.startsNoFile = true;
    entry.commandLine = why;
    Add(std::move(entry), at, LocationFolder);
}

void CTarnAutoRunScheduledTasks::AddAction(const std::wstring& path,
                                           const TaskDefinition& definition,
                                           const TaskAction& action,
                                           const ReadContext& at) {
    AutoRunEntry entry = NewEntry(at);
    entry.name = path;
    entry.keyPath = path;
    entry.taskAuthor = definition.author;
    entry.taskDescription = definition.description;
    entry.taskTriggers = TriggersText(definition.triggers);
    switch (action.kind) {
        case TaskActionKind::Exec:
            entry.commandLine = TaskCommandLine(action);
            AddResolved(std::move(entry), TaskProgramCommand(action), at, LocationFolder);
            return;
        case TaskActionKind::ComHandler:
            AddComHandler(std::move(entry), action.classId, at);
            return;
        case TaskActionKind::SendEmail:
        case TaskActionKind::ShowMessage:
        case TaskActionKind::Unknown:
            // Listed with its kind: it starts no file of its own.
            entry.startsNoFile = true;
            entry.commandLine = action.kind == TaskActionKind::SendEmail ? L"发送电子邮件（已弃用的操作）"
                                : action.kind == TaskActionKind::ShowMessage ? L"显示消息（已弃用的操作）"
                                                                             : L"未知的操作";
            Add(std::move(entry), at, LocationFolder);
            return;
    }
}

void CTarnAutoRunScheduledTasks::AddComHandler(AutoRunEntry entry, const std::wstring& clsid, const ReadContext& at) {
    // The class is loaded as a shell extension's is, through its in-process server.
    entry.commandLine = JoinKeyText(L"HKCR", ClassKeyPath(clsid));
    AddResolved(std::move(entry), ClassServerDll(clsid, RegistryView::Native).value_or(std::wstring()), at,
                LocationFolder);
}

void CTarnAutoRunScheduledTasks::ListWorkItems() {
    const TaskSchedulerSession session;
    if (!session) {
        return;
    }
    const ReadContext at = TaskContext(JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"Tasks"), true);
    com_ptr<IEnumWorkItems> items;
    if (FAILED(session.scheduler().Enum(items.put())) || !items) {
        Unreadable(at.location, L"无法列出任务");
        return;
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
            AddTask(TakeTaskString(names[i]), at);
        }
        ::CoTaskMemFree(names);
    }
}

bool CTarnAutoRunScheduledTasks::ListedByTheNewerInterface(const std::wstring& name,
                                                           const std::wstring& program,
                                                           const std::wstring& arguments) {
    const auto task = rootTasks_.find(FoldRegistryName(WithoutJobExtension(name)));
    if (task == rootTasks_.end()) {
        return false;
    }
    const auto programOf = [](std::wstring text) {
        if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
            text = text.substr(1, text.size() - 2);
        }
        return LowerAscii(text);
    };
    for (const TaskAction& action : task->second) {
        if (TrimmedText(action.arguments) != TrimmedText(arguments)) {
            continue;
        }
        // The same program, however either names it.
        if (programOf(action.command) == programOf(program)) {
            return true;
        }
        const auto image = ImageOf(TaskProgramCommand(action));
        if (image && image == ImageOf(L"\"" + programOf(program) + L"\"")) {
            return true;
        }
    }
    return false;
}

void CTarnAutoRunScheduledTasks::AddTask(const std::wstring& name, const ReadContext& folder) {
    const std::wstring application = ReadTaskApplication(name);
    // Seen by both interfaces: listed once, from the newer one.
    if (ListedByTheNewerInterface(name, application, ReadTaskParameters(name))) {
        return;
    }
    AutoRunEntry entry = NewEntry(folder);
    entry.name = name;
    const auto flags = ReadTaskFlags(name);
    const ReadContext at = TaskContext(folder.location, !(flags && (*flags & TASK_FLAG_DISABLED) != 0));
    entry.commandLine = application;
    const std::wstring command = entry.commandLine;
    AddResolved(std::move(entry), command, at, LocationFolder);
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

std::wstring CTarnAutoRunScheduledTasks::ReadTaskParameters(const std::wstring& name) {
    const TaskSchedulerSession session;
    const com_ptr<ITask> task = session.Task(name);
    LPWSTR parameters = nullptr;
    if (!task || FAILED(task->GetParameters(&parameters))) {
        return {};
    }
    return TakeTaskString(parameters);
}

}  // namespace tarn
