#include "win/task_scheduler.h"

#include "base/key_text.h"
#include "win/unique_handle.h"

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

// Task Scheduler 2.0, defined here for the same reason as the 1.0 identifiers.
const CLSID kTaskServiceClass = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
const IID kTaskServiceInterface = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};

HRESULT RealConnectService(ITaskService** service) {
    com_ptr<ITaskService> created;
    HRESULT hr =
        ::CoCreateInstance(kTaskServiceClass, nullptr, CLSCTX_INPROC_SERVER, kTaskServiceInterface, created.put_void());
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT none;
    ::VariantInit(&none);
    hr = created->Connect(none, none, none, none);
    if (SUCCEEDED(hr)) {
        *service = created.release();
    }
    return hr;
}

HRESULT RealGetFolder(ITaskService* service, const wchar_t* path, ITaskFolder** folder) {
    const unique_bstr text(path);
    return service->GetFolder(text.get(), folder);
}

// The paths or names of a collection's items, counted from 1 as the collections count.
template <typename Collection, typename Item, typename Read>
HRESULT NamesOf(Collection& collection, std::vector<std::wstring>* names, Read read) {
    LONG count = 0;
    HRESULT hr = collection.get_Count(&count);
    for (LONG k = 1; SUCCEEDED(hr) && k <= count; ++k) {
        VARIANT index;
        ::VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = k;
        com_ptr<Item> item;
        hr = collection.get_Item(index, item.put());
        unique_bstr name;
        if (SUCCEEDED(hr)) {
            hr = read(*item, name.put());
        }
        if (SUCCEEDED(hr)) {
            names->push_back(name.text());
        }
    }
    return hr;
}

HRESULT RealFolderNames(ITaskFolder* folder, std::vector<std::wstring>* names) {
    com_ptr<ITaskFolderCollection> folders;
    const HRESULT hr = folder->GetFolders(0, folders.put());
    if (FAILED(hr)) {
        return hr;
    }
    return NamesOf<ITaskFolderCollection, ITaskFolder>(
        *folders, names, [](ITaskFolder& item, BSTR* name) { return item.get_Name(name); });
}

HRESULT RealTaskNames(ITaskFolder* folder, std::vector<std::wstring>* names) {
    com_ptr<IRegisteredTaskCollection> tasks;
    const HRESULT hr = folder->GetTasks(TASK_ENUM_HIDDEN, tasks.put());
    if (FAILED(hr)) {
        return hr;
    }
    return NamesOf<IRegisteredTaskCollection, IRegisteredTask>(
        *tasks, names, [](IRegisteredTask& item, BSTR* name) { return item.get_Name(name); });
}

HRESULT RealGetTask(ITaskFolder* folder, const wchar_t* name, IRegisteredTask** task) {
    const unique_bstr text(name);
    return folder->GetTask(text.get(), task);
}

HRESULT RealGetEnabled(IRegisteredTask* task, VARIANT_BOOL* enabled) {
    return task->get_Enabled(enabled);
}

HRESULT RealPutEnabled(IRegisteredTask* task, VARIANT_BOOL enabled) {
    return task->put_Enabled(enabled);
}

HRESULT RealGetXml(IRegisteredTask* task, BSTR* xml) {
    return task->get_Xml(xml);
}

HRESULT RealRegisterTask(ITaskFolder* folder,
                         const wchar_t* name,
                         const wchar_t* xml,
                         TASK_LOGON_TYPE logon,
                         bool create) {
    const unique_bstr path(name);
    const unique_bstr text(xml);
    VARIANT none;
    ::VariantInit(&none);
    com_ptr<IRegisteredTask> registered;
    return folder->RegisterTask(path.get(), text.get(), create ? TASK_CREATE : TASK_UPDATE, none, none, logon, none,
                                registered.put());
}

HRESULT RealDeleteTask(ITaskFolder* folder, const wchar_t* name) {
    const unique_bstr text(name);
    return folder->DeleteTask(text.get(), 0);
}

bool RealReadFile(const wchar_t* path, std::string* bytes) {
    const unique_file file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return false;
    }
    std::string read;
    std::vector<char> block(1 << 16);
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &count, nullptr)) {
            return false;
        }
        if (count == 0) {
            *bytes = std::move(read);
            return true;
        }
        read.append(block.data(), count);
    }
}

bool RealWriteNewFile(const wchar_t* path, const std::string& bytes) {
    if (bytes.size() > MAXDWORD) {
        return false;
    }
    bool whole = false;
    {
        const unique_file file(
            ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return false;
        }
        DWORD written = 0;
        whole = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                written == bytes.size() && ::FlushFileBuffers(file.get());
    }
    // The file is ours (it did not exist): a part of the bytes is no copy and does not stay.
    if (!whole) {
        ::DeleteFileW(path);
    }
    return whole;
}

bool RealReplaceFile(const wchar_t* path, const std::string& bytes) {
    const std::wstring beside = std::wstring(path) + L".tarn-new";
    ::DeleteFileW(beside.c_str());
    if (!RealWriteNewFile(beside.c_str(), bytes)) {
        return false;
    }
    if (!::MoveFileExW(beside.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(beside.c_str());
        return false;
    }
    return true;
}

bool RealMoveFile(const wchar_t* from, const wchar_t* to) {
    return ::MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RealCreateFolder(const wchar_t* path) {
    return ::CreateDirectoryW(path, nullptr) != FALSE;
}

bool RealRemoveFolder(const wchar_t* path) {
    return ::RemoveDirectoryW(path) != FALSE;
}

const TaskFileApi kRealTaskFileApi = {
    .createScheduler = RealCreateScheduler,
    .activate = RealActivate,
    .getFlags = RealGetFlags,
    .setFlags = RealSetFlags,
    .save = RealSave,
    .deleteFile = RealDeleteFile,
    .connectService = RealConnectService,
    .getFolder = RealGetFolder,
    .folderNames = RealFolderNames,
    .taskNames = RealTaskNames,
    .getTask = RealGetTask,
    .getEnabled = RealGetEnabled,
    .putEnabled = RealPutEnabled,
    .getXml = RealGetXml,
    .deleteTask = RealDeleteTask,
    .registerTask = RealRegisterTask,
    .readFile = RealReadFile,
    .writeNewFile = RealWriteNewFile,
    .replaceFile = RealReplaceFile,
    .moveFile = RealMoveFile,
    .createFolder = RealCreateFolder,
    .removeFolder = RealRemoveFolder,
};

}  // namespace

const TaskFileApi& RealTaskFileApi() {
    return kRealTaskFileApi;
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

TaskServiceSession::TaskServiceSession() {
    if (apartment_.ok()) {
        TaskFiles().connectService(service_.put());
    }
}

com_ptr<ITaskFolder> TaskServiceSession::Folder(const std::wstring& path, HRESULT* result) const {
    com_ptr<ITaskFolder> folder;
    const HRESULT hr = service_ ? TaskFiles().getFolder(service_.get(), path.c_str(), folder.put()) : E_FAIL;
    if (result != nullptr) {
        *result = hr;
    }
    return SUCCEEDED(hr) ? std::move(folder) : com_ptr<ITaskFolder>();
}

std::optional<TaskPath> SplitTaskPath(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    if (path.empty() || path[0] != L'\\' || slash == std::wstring::npos || slash + 1 >= path.size()) {
        return std::nullopt;
    }
    return TaskPath{slash == 0 ? std::wstring(L"\\") : path.substr(0, slash), path.substr(slash + 1)};
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
