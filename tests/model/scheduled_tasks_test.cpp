#include "fileinfo/machine_files.h"
#include "model/scheduled_tasks.h"
#include "state/task_state.h"

#include "base/task_xml.h"
#include "support/category_fixture.h"
#include "support/registry_sandbox.h"
#include "support/scoped_environment.h"
#include "support/scratch_folder.h"
#include "support/host_link.h"
#include "support/task_fixture.h"
#include "win/environment.h"
#include "win/task_scheduler.h"
#include "win/unique_handle.h"

#include <shlwapi.h>

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using test::ScheduledTasks;
using test::ScratchFolder;

constexpr DWORD kDisabled = 0x4;
constexpr DWORD kStartOnlyIfIdle = 0x10;
constexpr DWORD kDontStartOnBatteries = 0x40;

// Runs against the prefix's own scheduler: names carry the process id, and every task the test
// makes is deleted again.
class ScheduledTasksTest : public ::testing::Test {
protected:
    std::wstring Name(const wchar_t* stem) const {
        return std::wstring(stem) + std::to_wstring(::GetCurrentProcessId());
    }

    ScratchFolder scratch;
    ScheduledTasks tasks;
    CTarnAutoRunScheduledTasks enumerator{MachineFiles()};
};

TEST_F(ScheduledTasksTest, AnEmptySchedulerGivesAnEmptyList) {
    {
        const ComApartment apartment;
        ASSERT_TRUE(static_cast<bool>(CreateTaskScheduler())) << "the task scheduler is not reachable";
    }
    const auto listed = test::ListedTaskNames();
    std::wstring names;
    for (const std::wstring& name : listed) {
        names += name + L" ";
    }
    ASSERT_TRUE(listed.empty()) << "the prefix holds tasks of its own: " << std::string(names.begin(), names.end());
    enumerator.Enumerate();
    EXPECT_TRUE(enumerator.results().entries.empty());
}

TEST_F(ScheduledTasksTest, TasksAreListedWithTheTasksFolderAndTheirDisabledBit) {
    const std::wstring app = scratch.AddFile(L"job\\backup.exe");
    tasks.Create(Name(L"TarnOn"), app, kStartOnlyIfIdle);
    tasks.Create(Name(L"TarnOff"), app, kDisabled | kDontStartOnBatteries);
    tasks.Create(Name(L"TarnGone"), scratch / L"job\\vanished.exe", 0);
    enumerator.Enumerate();

    const auto& entries = enumerator.results().entries;
    ASSERT_EQ(2u, entries.size());
    std::vector<std::wstring> names;
    for (const auto& entry : entries) {
        names.push_back(entry->name);
        EXPECT_EQ(app, entry->commandLine);
        EXPECT_EQ(LowerAscii(app), entry->imagePath);
        EXPECT_EQ(ReadEnvironmentVariable(L"systemroot") + L"\\Tasks", entry->location);
        EXPECT_EQ(LocationFolder, entry->locationKind);
        EXPECT_TRUE(entry->keyPath.empty());
        EXPECT_EQ(0, entry->entryKind);
        EXPECT_EQ(entry->name == Name(L"TarnOff") + L".job" ? EntryDisabled : EntryEnabled, entry->state)
            << entry->name.size();
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{Name(L"TarnOff") + L".job", Name(L"TarnOn") + L".job"}), names);
}

TEST_F(ScheduledTasksTest, SwitchingKeepsEveryOtherFlag) {
    const std::wstring app = scratch.AddFile(L"job\\sync.exe");
    const std::wstring listed = Name(L"TarnFlags") + L".job";
    tasks.Create(Name(L"TarnFlags"), app, kDisabled | kStartOnlyIfIdle | kDontStartOnBatteries);

    EXPECT_EQ(1, EnableTask(listed));
    EXPECT_EQ(kStartOnlyIfIdle | kDontStartOnBatteries, CTarnAutoRunScheduledTasks::ReadTaskFlags(listed).value());
    EXPECT_EQ(1, DisableTask(listed));
    EXPECT_EQ(kDisabled | kStartOnlyIfIdle | kDontStartOnBatteries,
              CTarnAutoRunScheduledTasks::ReadTaskFlags(listed).value());
    EXPECT_EQ(1, DisableTask(Name(L"TarnFlags")));  // the name without its extension works as well
    EXPECT_EQ(1, EnableTask(listed));
    EXPECT_EQ(kStartOnlyIfIdle | kDontStartOnBatteries, CTarnAutoRunScheduledTasks::ReadTaskFlags(listed).value());

    EXPECT_EQ(0, EnableTask(L"TarnNoSuchTask.job"));
    EXPECT_EQ(0, DisableTask(L""));
    EXPECT_FALSE(CTarnAutoRunScheduledTasks::ReadTaskFlags(L"TarnNoSuchTask.job").has_value());
    EXPECT_EQ(L"", CTarnAutoRunScheduledTasks::ReadTaskApplication(L"TarnNoSuchTask.job"));
}

// Tasks of the newer scheduler, as the definition files the prefix's scheduler serves them from.
class ServiceTasksTest : public ::testing::Test {
protected:
    ~ServiceTasksTest() override { ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + kHandlerClass).c_str()); }

    void WriteHandler(const std::wstring& dll) const {
        test::WriteString(HKEY_CLASSES_ROOT, L"CLSID\\" + kHandlerClass + L"\\InprocServer32", L"", dll);
    }
    std::vector<const AutoRunEntry*> Listed(const std::wstring& path) const {
        std::vector<const AutoRunEntry*> found;
        for (const auto& entry : enumerator.results().entries) {
            if (entry->name == path) {
                found.push_back(entry.get());
            }
        }
        return found;
    }
    bool Reported(const std::wstring& place) const {
        const auto& unreadable = enumerator.results().unreadable;
        return std::any_of(unreadable.begin(), unreadable.end(),
                           [&](const std::wstring& text) { return text.rfind(place + L": ", 0) == 0; });
    }
    static std::optional<std::string> Bytes(const std::wstring& file) {
        std::ifstream in(file.c_str(), std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static std::wstring Exec(const std::wstring& command,
                             const std::wstring& arguments = L"",
                             const std::wstring& folder = L"") {
        return L"<Exec><Command>" + command + L"</Command>" +
               (arguments.empty() ? L"" : L"<Arguments>" + arguments + L"</Arguments>") +
               (folder.empty() ? L"" : L"<WorkingDirectory>" + folder + L"</WorkingDirectory>") + L"</Exec>";
    }

    const std::wstring kHandlerClass =
        L"{6C1D5E2A-7B3F-4A90-8E11-" + std::to_wstring(100000000000 + ::GetCurrentProcessId()) + L"}";
    const std::wstring top = L"\\TarnTest" + std::to_wstring(::GetCurrentProcessId());
    test::TaskDefinitionFiles files{top};
    ScratchFolder scratch;
    CTarnAutoRunScheduledTasks enumerator{MachineFiles()};
};

TEST_F(ServiceTasksTest, EveryFolderAndEveryActionIsListedWithWhatItRuns) {
    const test::ScopedEnvironment folder(L"TARNTASKDIR", scratch.path());
    const std::wstring app = scratch.AddFile(L"My App\\run.exe");
    const std::wstring tool = scratch.AddFile(L"tool.exe");
    const std::wstring handler = scratch.AddFile(L"handler.dll");
    WriteHandler(handler);
    const std::wstring system32 = ReadEnvironmentVariable(L"systemroot") + L"\\system32";
    const std::wstring updater =
        files.Add(L"\\Vendor\\Updater",
                  test::TaskXml(L"Tarn 测试", L"保持同步 &amp; 更新", L"<LogonTrigger/><BootTrigger/>", true, false,
                                Exec(L"\"%TARNTASKDIR%\\My App\\run.exe\"", L"--sync now", L"%TARNTASKDIR%")));
    const std::wstring twoActions =
        files.Add(L"\\Vendor\\Deep\\Hidden\\TwoActions",
                  test::TaskXml(L"", L"", L"<TimeTrigger/>", false, true, Exec(L"cmd.exe", L"/c exit") + Exec(tool)));
    const std::wstring com = files.Add(
        L"\\Vendor\\Com", test::TaskXml(L"", L"", L"", true, true,
                                        L"<ComHandler><ClassId>" + kHandlerClass + L"</ClassId></ComHandler>"));
    const std::wstring mail = files.Add(
        L"\\Mail", test::TaskXml(L"", L"", L"<IdleTrigger/>", true, false, L"<SendEmail><To>a@b</To></SendEmail>"));
    const std::wstring broken = files.Add(L"\\Broken", L"<Task><Actions>");
    enumerator.Enumerate();

    struct Expected {
        std::wstring path;
        std::wstring location;
        std::wstring commandLine;
        std::wstring imagePath;
        int32_t state;
        std::wstring author;
        std::wstring description;
        std::wstring triggers;
    };
    const Expected expected[] = {
        {updater, top + L"\\Vendor", L"\"%TARNTASKDIR%\\My App\\run.exe\" --sync now（起始于 %TARNTASKDIR%）", app,
         EntryEnabled, L"Tarn 测试", L"保持同步 & 更新", L"登录时、启动时"},
        {twoActions, top + L"\\Vendor\\Deep\\Hidden", L"cmd.exe /c exit", system32 + L"\\cmd.exe", EntryDisabled, L"",
         L"", L"定时"},
        {twoActions, top + L"\\Vendor\\Deep\\Hidden", tool, tool, EntryDisabled, L"", L"", L"定时"},
        {com, top + L"\\Vendor", L"HKCR\\CLSID\\" + kHandlerClass, handler, EntryEnabled, L"", L"", L""},
        {mail, top, L"发送电子邮件（已弃用的操作）", L"", EntryEnabled, L"", L"", L"空闲时"},
    };
    std::size_t twoActionsSeen = 0;
    for (const Expected& want : expected) {
        const auto listed = Listed(want.path);
        const std::size_t index = want.path == twoActions ? twoActionsSeen++ : 0;
        ASSERT_GT(listed.size(), index) << "not listed: " << std::string(want.path.begin(), want.path.end());
        const AutoRunEntry& entry = *listed[index];
        EXPECT_EQ(want.path, entry.keyPath);
        EXPECT_EQ(want.location, entry.location);
        EXPECT_EQ(LocationFolder, entry.locationKind);
        EXPECT_EQ(want.commandLine, entry.commandLine);
        EXPECT_EQ(LowerAscii(want.imagePath), LowerAscii(entry.imagePath));
        EXPECT_EQ(want.imagePath.empty(), entry.startsNoFile);
        EXPECT_EQ(want.state, entry.state);
        EXPECT_EQ(want.author, entry.taskAuthor);
        EXPECT_EQ(want.description, entry.taskDescription);
        EXPECT_EQ(want.triggers, entry.taskTriggers);
    }
    EXPECT_EQ(2u, Listed(twoActions).size());
    // A definition that cannot be read is listed all the same, and reported.
    const auto unreadable = Listed(broken);
    ASSERT_EQ(1u, unreadable.size());
    EXPECT_TRUE(unreadable[0]->startsNoFile);
    EXPECT_EQ(0u, unreadable[0]->commandLine.find(L"无法"));
    EXPECT_TRUE(Reported(broken));
    EXPECT_FALSE(Reported(updater));
}

TEST_F(ServiceTasksTest, ATaskRegisteredThroughTheSchedulerIsListedOrReported) {
    const std::wstring app = scratch.AddFile(L"registered.exe");
    const std::wstring path = top + L"\\Registered\\Task";
    {
        const ComApartment apartment;
        com_ptr<ITaskService> service;
        ASSERT_HRESULT_SUCCEEDED(RealTaskFileApi().connectService(service.put()));
        com_ptr<ITaskFolder> root;
        ASSERT_HRESULT_SUCCEEDED(RealTaskFileApi().getFolder(service.get(), L"\\", root.put()));
        com_ptr<ITaskFolder> created;
        VARIANT none;
        ::VariantInit(&none);
        const unique_bstr folderPath(top + L"\\Registered");
        ASSERT_HRESULT_SUCCEEDED(root->CreateFolder(folderPath.get(), none, created.put()));
        const unique_bstr name(L"Task");
        const unique_bstr xml(test::TaskXml(L"", L"", L"<LogonTrigger/>", true, true, Exec(app)));
        com_ptr<IRegisteredTask> registered;
        ASSERT_HRESULT_SUCCEEDED(created->RegisterTask(name.get(), xml.get(), TASK_CREATE, none, none,
                                                       TASK_LOGON_INTERACTIVE_TOKEN, none, registered.put()));
    }
    enumerator.Enumerate();
    const auto listed = Listed(path);
    ASSERT_EQ(1u, listed.size()) << "a registered task must be listed, readable or not";
    if (listed[0]->startsNoFile) {
        // The scheduler kept less than was registered: what the task runs is lost to every reader.
        EXPECT_TRUE(Reported(path));
        std::printf("this scheduler does not keep a registered task's actions; the task is listed as unreadable\n");
    } else {
        EXPECT_EQ(LowerAscii(app), LowerAscii(listed[0]->imagePath));
    }
}

TEST_F(ServiceTasksTest, SwitchingChangesTheEnabledFlagOnlyOrReportsFailure) {
    const std::wstring app = scratch.AddFile(L"switch.exe");
    const std::wstring path =
        files.Add(L"\\Sub\\Switch", test::TaskXml(L"me", L"d", L"<BootTrigger/>", true, false, Exec(app, L"-x")));
    const std::wstring file = test::TaskDefinitionFiles::FileOf(path);
    const auto before = Bytes(file);
    ASSERT_TRUE(before.has_value());
    const auto definitionBefore = ParseTaskXml(TaskFileText(*before));

    for (const bool switchOff : {true, false}) {
        const auto start = Bytes(file);
        const int result = switchOff ? DisableTask(path) : EnableTask(path);
        const auto now = Bytes(file);
        ASSERT_TRUE(now.has_value()) << "the task's definition is gone";
        if (result == 0) {
            EXPECT_EQ(*start, *now) << "a failed switch changed the definition";
            std::printf("this scheduler does not switch a task's enabled flag; the switch is reported failed\n");
            continue;
        }
        const auto definition = ParseTaskXml(TaskFileText(*now));
        ASSERT_TRUE(definition.has_value());
        EXPECT_EQ(!switchOff, definition->enabled.value_or(true));
        EXPECT_EQ(definitionBefore->author, definition->author);
        EXPECT_EQ(definitionBefore->triggers, definition->triggers);
        EXPECT_EQ(TaskCommandLine(definitionBefore->actions.at(0)), TaskCommandLine(definition->actions.at(0)));
    }
    EXPECT_EQ(0, DisableTask(top + L"\\Sub\\NoSuchTask"));
    EXPECT_EQ(0, EnableTask(L"\\"));
}

// A scheduler whose flag switch works, as Windows' does: it rewrites the task's definition file
// with the flag changed; a careless one changes the description as well.
bool g_carelessSwitch = false;

HRESULT RewritingPutEnabled(IRegisteredTask* task, VARIANT_BOOL enabled) {
    unique_bstr path;
    if (FAILED(task->get_Path(path.put()))) {
        return E_FAIL;
    }
    const std::wstring file = test::TaskDefinitionFiles::FileOf(path.text());
    std::ifstream in(file.c_str(), std::ios::binary);
    std::wstring xml = TaskFileText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    in.close();
    const auto replace = [&xml](const std::wstring& from, const std::wstring& to) {
        const std::size_t at = xml.find(from);
        if (at != std::wstring::npos) {
            xml.replace(at, from.size(), to);
        }
    };
    replace(enabled ? L"<Enabled>false</Enabled>" : L"<Enabled>true</Enabled>",
            enabled ? L"<Enabled>true</Enabled>" : L"<Enabled>false</Enabled>");
    if (g_carelessSwitch) {
        replace(L"<Description>d</Description>", L"<Description>rewritten</Description>");
    }
    test::TaskDefinitionFiles::Write(path.text(), xml);
    return S_OK;
}

TEST_F(ServiceTasksTest, ASwitchSucceedsOnlyWhenTheFlagAloneChanged) {
    const std::wstring app = scratch.AddFile(L"switched.exe");
    TaskFileApi rewriting = RealTaskFileApi();
    rewriting.putEnabled = RewritingPutEnabled;
    const ScopedTaskFileApi scope(rewriting);
    for (const bool careless : {false, true}) {
        g_carelessSwitch = careless;
        const std::wstring path =
            files.Add(careless ? L"\\Careless" : L"\\Careful", test::TaskXml(L"me", L"d", L"", true, false, Exec(app)));
        const std::wstring file = test::TaskDefinitionFiles::FileOf(path);
        std::ifstream in(file.c_str(), std::ios::binary);
        const std::wstring before = TaskFileText(std::string(std::istreambuf_iterator<char>(in), {}));
        in.close();
        const int result = DisableTask(path);
        std::ifstream again(file.c_str(), std::ios::binary);
        const std::wstring after = TaskFileText(std::string(std::istreambuf_iterator<char>(again), {}));
        const auto definition = ParseTaskXml(after);
        ASSERT_TRUE(definition.has_value());
        if (careless) {
            // Failed, and the flag is put back where it was.
            EXPECT_EQ(0, result);
            EXPECT_EQ(true, definition->enabled);
        } else {
            EXPECT_EQ(1, result);
            EXPECT_EQ(false, definition->enabled);
            EXPECT_EQ(WithoutEnabledFlag(before), WithoutEnabledFlag(after));
        }
    }
}

TEST_F(ServiceTasksTest, DeletingKeepsTheDefinitionFirstAndFailsCleanlyWithoutIt) {
    const std::wstring app = scratch.AddFile(L"gone.exe");
    const std::wstring xml = test::TaskXml(L"", L"first", L"", true, true, Exec(app));
    const std::wstring path = files.Add(L"\\Sub\\Gone", xml);
    const std::wstring file = test::TaskDefinitionFiles::FileOf(path);
    const auto first = Bytes(file);
    ASSERT_EQ(1, DeleteTask(path));
    EXPECT_FALSE(Bytes(file).has_value());
    EXPECT_EQ(first, Bytes(test::TaskDefinitionFiles::KeptCopyOf(path)));

    // A second task of that path: its copy goes beside the first, which stays as it was.
    files.Add(L"\\Sub\\Gone", test::TaskXml(L"", L"second", L"", true, true, Exec(app)));
    const auto second = Bytes(file);
    ASSERT_EQ(1, DeleteTask(path));
    EXPECT_EQ(first, Bytes(test::TaskDefinitionFiles::KeptCopyOf(path)));
    const std::wstring secondCopy = test::TaskDefinitionFiles::KeptCopyOf(path);
    EXPECT_EQ(second, Bytes(secondCopy.substr(0, secondCopy.size() - 4) + L" (2).xml"));
    enumerator.Enumerate();
    EXPECT_TRUE(Listed(path).empty());

    // Where no copy can be written (a file stands where its folder must go), nothing is deleted.
    const std::wstring blocked = files.Add(L"\\Blocked\\Task", xml);
    const std::wstring copyFolder = test::TaskDefinitionFiles::KeptCopyOf(top + L"\\Blocked");
    const std::wstring blocker = copyFolder.substr(0, copyFolder.size() - 4);
    ::CreateDirectoryW(KeptTaskCopyFolder().c_str(), nullptr);
    ::CreateDirectoryW((KeptTaskCopyFolder() + top).c_str(), nullptr);
    std::ofstream(blocker.c_str()) << "not a folder";
    const auto kept = Bytes(test::TaskDefinitionFiles::FileOf(blocked));
    EXPECT_EQ(0, DeleteTask(blocked));
    EXPECT_EQ(kept, Bytes(test::TaskDefinitionFiles::FileOf(blocked)));
    for (const wchar_t* refused : {L"\\", L"\\..\\x", L"\\a:b", L"\\a\\\\b"}) {
        EXPECT_EQ(0, DeleteTask(refused)) << std::wstring(refused).size();
    }
}

// Folders whose path ends in this refuse to be opened.
std::wstring g_lockedFolder;

HRESULT LockedGetFolder(ITaskService* service, const wchar_t* path, ITaskFolder** folder) {
    const std::wstring text(path);
    if (text.size() >= g_lockedFolder.size() &&
        text.compare(text.size() - g_lockedFolder.size(), std::wstring::npos, g_lockedFolder) == 0) {
        return E_ACCESSDENIED;
    }
    return RealTaskFileApi().getFolder(service, path, folder);
}

TEST_F(ServiceTasksTest, AFolderThatRefusesAccessIsReportedAndTheOthersListed) {
    const std::wstring app = scratch.AddFile(L"open.exe");
    const std::wstring open = files.Add(L"\\Open\\Task", test::TaskXml(L"", L"", L"", true, false, Exec(app)));
    const std::wstring after = files.Add(L"\\Zed\\Task", test::TaskXml(L"", L"", L"", true, false, Exec(app)));
    files.Add(L"\\Locked\\Task", test::TaskXml(L"", L"", L"", true, false, Exec(app)));
    g_lockedFolder = top + L"\\Locked";
    TaskFileApi locked = RealTaskFileApi();
    locked.getFolder = LockedGetFolder;
    {
        const ScopedTaskFileApi scope(locked);
        enumerator.Enumerate();
    }
    EXPECT_EQ(1u, Listed(open).size());
    EXPECT_EQ(1u, Listed(after).size());
    EXPECT_TRUE(Reported(top + L"\\Locked"));
    EXPECT_FALSE(Reported(top + L"\\Open"));
}

TEST_F(ServiceTasksTest, ATaskSeenByBothSchedulersIsListedOnce) {
    const std::wstring name = L"TarnBoth" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring app = scratch.AddFile(L"both.exe");
    test::TaskDefinitionFiles rootTask(L"\\" + name);
    rootTask.Add(L"", test::TaskXml(L"", L"", L"", true, false, Exec(app)));
    ScheduledTasks workItems;
    workItems.Create(name, app, 0);
    enumerator.Enumerate();
    EXPECT_EQ(1u, Listed(L"\\" + name).size());
    EXPECT_TRUE(Listed(name + L".job").empty());
}

// A work item that only shares its name with a task runs something else: both are listed.
TEST_F(ServiceTasksTest, AWorkItemNamedAsATaskButRunningAnotherProgramIsListedToo) {
    const std::wstring name = L"TarnTwin" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring app = scratch.AddFile(L"twin.exe");
    const std::wstring other = scratch.AddFile(L"other.exe");
    test::TaskDefinitionFiles rootTask(L"\\" + name);
    rootTask.Add(L"", test::TaskXml(L"", L"", L"", true, false, Exec(app)));
    ScheduledTasks workItems;
    workItems.Create(name, other, 0);
    enumerator.Enumerate();
    ASSERT_EQ(1u, Listed(L"\\" + name).size());
    EXPECT_TRUE(EqualsNoCaseAscii(app, Listed(L"\\" + name)[0]->imagePath));
    ASSERT_EQ(1u, Listed(name + L".job").size());
    EXPECT_TRUE(EqualsNoCaseAscii(other, Listed(name + L".job")[0]->imagePath));
}

TEST(DeleteTask, DeletesOnlyThatFileOfTheTasksFolder) {
    ScratchFolder scratch;
    test::ScopedEnvironment systemRoot(L"systemroot", scratch.path());
    const std::wstring target = scratch.AddFile(L"Tasks\\Foo.job");
    const std::wstring neighbour = scratch.AddFile(L"Tasks\\Bar.job");
    const std::wstring outside = scratch.AddFile(L"Foo.job");
    const std::wstring nested = scratch.AddFile(L"Tasks\\sub\\Foo.job");

    for (const wchar_t* refused : {L"..\\Foo.job", L"sub\\Foo.job", L"sub/Foo.job", L"c:Foo.job", L"..", L""}) {
        EXPECT_EQ(0, DeleteTask(refused)) << std::wstring(refused).size();
    }
    EXPECT_EQ(0, DeleteTask(L"Missing.job"));
    {
        // The scheduler service holding the file for a moment does not make the delete fail.
        const HANDLE reading = ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, reading);
        std::thread service([reading] {
            ::Sleep(250);
            ::CloseHandle(reading);
        });
        EXPECT_EQ(1, DeleteTask(L"Foo.job"));
        service.join();
    }

    EXPECT_FALSE(::PathFileExistsW(target.c_str()));
    for (const std::wstring& kept : {neighbour, outside, nested}) {
        EXPECT_TRUE(::PathFileExistsW(kept.c_str()));
    }
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// A deleted task's copy is written only through plain folders: with a folder on its way a link
// (made from the host's side, as Wine makes no link of its own), the delete is refused and the task
// stays, its only copy never written where the link points.
TEST_F(ServiceTasksTest, ACopyIsNeverWrittenThroughALink) {
    const std::wstring app = scratch.AddFile(L"linked.exe");
    const std::wstring path = files.Add(L"\\Sub\\Linked", test::TaskXml(L"", L"", L"", true, false, Exec(app)));
    const std::wstring keptTop = KeptTaskCopyFolder() + top;
    ::CreateDirectoryW(KeptTaskCopyFolder().c_str(), nullptr);
    const std::wstring elsewhere = scratch.AddFolder(L"elsewhere");
    std::string why;
    if (!test::MakeHostDirectoryLink(keptTop, elsewhere, why)) {
        FAIL() << "cannot make a directory link here: " << why;
    }
    EXPECT_EQ(0, DeleteTask(path));
    EXPECT_TRUE(Bytes(test::TaskDefinitionFiles::FileOf(path)).has_value()) << "the task went";
    WIN32_FIND_DATAW found = {};
    const unique_find any(::FindFirstFileW((elsewhere + L"\\*").c_str(), &found));
    bool empty = true;
    for (bool more = static_cast<bool>(any); more; more = ::FindNextFileW(any.get(), &found) != FALSE) {
        empty = empty && (std::wstring(found.cFileName) == L"." || std::wstring(found.cFileName) == L"..");
    }
    EXPECT_TRUE(empty) << "a copy went where the link points";
    EXPECT_TRUE(test::RemoveHostLink(keptTop));
    // Without the link the same delete keeps its copy and goes through.
    EXPECT_EQ(1, DeleteTask(path));
    EXPECT_TRUE(Bytes(test::TaskDefinitionFiles::KeptCopyOf(path)).has_value());
}

}  // namespace
}  // namespace tarn
