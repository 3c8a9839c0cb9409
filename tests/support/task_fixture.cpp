#include "support/task_fixture.h"

#include "base/task_xml.h"
#include "win/com_ptr.h"
#include "win/environment.h"
#include "win/task_scheduler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TaskDefinitionFiles::TaskDefinitionFiles(std::wstring top) : top_(std::move(top)) {}

TaskDefinitionFiles::~TaskDefinitionFiles() {
    Remove(top_);
}

void TaskDefinitionFiles::Remove(const std::wstring& top) {
    std::error_code ignored;
    std::filesystem::remove_all(FileOf(top), ignored);
    std::filesystem::remove_all(ReadEnvironmentVariable(L"systemroot") + L"\\Tasks\\TarnAutoRunDisable" + top, ignored);
}

std::wstring TaskDefinitionFiles::FileOf(const std::wstring& taskPath) {
    return ReadEnvironmentVariable(L"systemroot") + L"\\System32\\Tasks" + taskPath;
}

std::wstring TaskDefinitionFiles::KeptCopyOf(const std::wstring& taskPath) {
    return ReadEnvironmentVariable(L"systemroot") + L"\\Tasks\\TarnAutoRunDisable" + taskPath + L".xml";
}

std::wstring TaskDefinitionFiles::Add(const std::wstring& below, const std::wstring& xml) const {
    Write(top_ + below, xml);
    return top_ + below;
}

void TaskDefinitionFiles::Write(const std::wstring& taskPath, const std::wstring& xml) {
    const std::filesystem::path file(FileOf(taskPath));
    std::filesystem::create_directories(file.parent_path());
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : xml) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << file.string();
}

std::wstring TaskXml(const std::wstring& author,
                     const std::wstring& description,
                     const std::wstring& triggers,
                     bool enabled,
                     bool hidden,
                     const std::wstring& actions) {
    std::wstring info;
    if (!author.empty()) {
        info += L"<Author>" + author + L"</Author>";
    }
    if (!description.empty()) {
        info += L"<Description>" + description + L"</Description>";
    }
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           L"  <RegistrationInfo>" +
           info +
           L"</RegistrationInfo>\r\n"
           L"  <Triggers>" +
           triggers +
           L"</Triggers>\r\n"
           L"  <Settings><Enabled>" +
           (enabled ? L"true" : L"false") + L"</Enabled><Hidden>" + (hidden ? L"true" : L"false") +
           L"</Hidden></Settings>\r\n"
           L"  <Actions Context=\"Author\">" +
           actions +
           L"</Actions>\r\n"
           L"</Task>\r\n";
}

}  // namespace tarn::test

namespace tarn::test {

namespace {

std::wstring TakeBstr(BSTR text) {
    std::wstring copy = text != nullptr ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    ::SysFreeString(text);
    return copy;
}

std::string Utf16FileBytes(const std::wstring& xml) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : xml) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    return bytes;
}

HRESULT SetFlagInDefinition(IRegisteredTask* task, VARIANT_BOOL enabled) {
    BSTR path = nullptr;
    if (FAILED(task->get_Path(&path))) {
        return E_FAIL;
    }
    const std::wstring file = TaskDefinitionFiles::FileOf(TakeBstr(path));
    std::string bytes;
    if (!RealTaskFileApi().readFile(file.c_str(), &bytes)) {
        return E_FAIL;
    }
    const auto changed = WithEnabledFlag(TaskFileText(bytes), enabled != VARIANT_FALSE);
    return changed && RealTaskFileApi().replaceFile(file.c_str(), Utf16FileBytes(*changed)) ? S_OK : E_FAIL;
}

HRESULT AnswerWithoutSetting(IRegisteredTask*, VARIANT_BOOL) {
    return S_OK;
}

HRESULT KeepDefinitionAsGiven(ITaskFolder* folder,
                              const wchar_t* name,
                              const wchar_t* xml,
                              TASK_LOGON_TYPE,
                              bool create) {
    BSTR path = nullptr;
    if (FAILED(folder->get_Path(&path))) {
        return E_FAIL;
    }
    const std::wstring folderPath = TakeBstr(path);
    const std::wstring file = TaskDefinitionFiles::FileOf((folderPath == L"\\" ? L"" : folderPath) + L"\\" + name);
    const bool exists = ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists == create) {
        return HRESULT_FROM_WIN32(create ? ERROR_ALREADY_EXISTS : ERROR_FILE_NOT_FOUND);
    }
    const bool written = create ? RealTaskFileApi().writeNewFile(file.c_str(), Utf16FileBytes(xml))
                                : RealTaskFileApi().replaceFile(file.c_str(), Utf16FileBytes(xml));
    return written ? S_OK : E_FAIL;
}

TaskFileApi StandInTable(StandInScheduler kind) {
    TaskFileApi table = TaskFiles();
    if (kind == StandInScheduler::SetsTheFlag) {
        table.putEnabled = SetFlagInDefinition;
    } else {
        table.putEnabled = AnswerWithoutSetting;
        table.registerTask = KeepDefinitionAsGiven;
    }
    return table;
}

}  // namespace

ScopedStandInScheduler::ScopedStandInScheduler(StandInScheduler kind) : table_(StandInTable(kind)), scope_(table_) {}

}  // namespace tarn::test
