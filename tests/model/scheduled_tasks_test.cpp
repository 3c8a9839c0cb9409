#include "fileinfo/machine_files.h"
#include "model/scheduled_tasks.h"
#include "state/task_state.h"

#include "support/category_fixture.h"
#include "support/scratch_folder.h"
#include "support/task_fixture.h"
#include "win/environment.h"
#include "win/task_scheduler.h"

#include <shlwapi.h>

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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
    EXPECT_EQ(1, DeleteTask(L"Foo.job"));

    EXPECT_FALSE(::PathFileExistsW(target.c_str()));
    for (const std::wstring& kept : {neighbour, outside, nested}) {
        EXPECT_TRUE(::PathFileExistsW(kept.c_str()));
    }
}

}  // namespace
}  // namespace tarn
