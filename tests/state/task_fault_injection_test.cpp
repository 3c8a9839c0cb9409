// The task and shortcut operations run again with every scheduler and file call failing, as the
// registry operations are: the task file or shortcut must afterwards be as it was or as the clean
// run leaves it, and success may be reported only for the latter.
#include "state/shortcut_state.h"
#include "state/state_changes.h"
#include "state/task_state.h"

#include "support/fault_injector.h"
#include "support/registry_sandbox.h"
#include "support/scratch_folder.h"
#include "support/task_fixture.h"
#include "base/store_name.h"
#include "base/task_xml.h"
#include "win/com_ptr.h"
#include "win/environment.h"
#include "win/task_scheduler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarn::test {
namespace {

bool Eventually(const std::function<bool()>& condition) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (condition()) {
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

const LONG kErrorCodes[] = {2, 5, 14, 234, 259, 1018};

// A file's bytes; nothing when it does not exist.
std::optional<std::vector<char>> Contents(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring JobFile(const std::wstring& name) {
    return ReadEnvironmentVariable(L"systemroot") + L"\\Tasks\\" + name + L".job";
}

// A task file or shortcut after a run: as the run's setup left it, as a clean run leaves it, gone
// with no whole copy of it anywhere, half of what goes together gone (only when the calls that
// would put it back fail too), or something else.
enum class Outcome { Start, Final, Lost, Half, Other };
using Bytes = std::optional<std::vector<char>>;

struct TaskScenario {
    const char* name;
    bool deletes;
    // The flags the task has after a clean switch.
    DWORD finalFlags;
    // Makes the starting state and answers the file to watch.
    std::function<std::wstring(ScheduledTasks&, ScratchFolder&)> setup;
    std::function<int(const std::wstring& file)> run;
    // Judges the file after a run where the flags or its absence do not tell.
    std::function<Outcome(const std::wstring& file, const Bytes& start)> judge = {};
    // The scheduler may refuse the operation itself: a clean run then leaves the start.
    bool mayBeRefused = false;
    // The operation also changes the registry (in a sandbox), whose calls fail by the same plan.
    bool withRegistry = false;
    // A scheduler that switches otherwise than Wine's stands in for it.
    std::optional<StandInScheduler> standIn = std::nullopt;
};

const std::wstring kStartupFolderList =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

// A shortcut and its switch value of Windows' go together.
Outcome JudgeShortcutWithSwitch(const std::wstring& file, const Bytes& start) {
    const auto now = Contents(file);
    const bool switchThere = ValueExists(HKEY_CURRENT_USER, kStartupFolderList, L"Start.lnk");
    if (now == start) {
        return switchThere ? Outcome::Start : Outcome::Half;
    }
    if (!now) {
        return switchThere ? Outcome::Half : Outcome::Final;
    }
    return Outcome::Other;
}

// The flags of a task as the scheduler reads them from its file; nothing when it cannot.
std::optional<DWORD> TaskFlags(const std::wstring& name) {
    const ComApartment apartment;
    const com_ptr<ITaskScheduler> scheduler = CreateTaskScheduler();
    const com_ptr<ITask> task = scheduler ? ActivateTask(*scheduler, name) : com_ptr<ITask>();
    DWORD flags = 0;
    if (!task || FAILED(task->GetFlags(&flags))) {
        return std::nullopt;
    }
    return flags;
}

std::wstring Stem(const wchar_t* stem) {
    return std::wstring(stem) + std::to_wstring(::GetCurrentProcessId());
}

// Tasks of the newer scheduler live below the test's own folder of its root.
std::wstring NewerTop() {
    return L"\\" + Stem(L"TarnFault");
}

std::wstring NewerTaskPath(const wchar_t* name) {
    return NewerTop() + L"\\Sub\\" + name;
}

// A fresh definition file (and no copy kept of an earlier one); answers the file.
std::wstring NewerTask(ScratchFolder& scratch, const wchar_t* name, bool enabled = true) {
    TaskDefinitionFiles::Remove(NewerTop());
    const std::wstring app = scratch.AddFile(L"app.exe");
    TaskDefinitionFiles::Write(NewerTaskPath(name),
                               TaskXml(L"me", L"d", L"<LogonTrigger/>", enabled, true,
                                       L"<Exec><Command>" + app + L"</Command><Arguments>-a</Arguments></Exec>"));
    return TaskDefinitionFiles::FileOf(NewerTaskPath(name));
}

std::wstring TextOf(const std::vector<char>& bytes) {
    return TaskFileText(std::string(bytes.begin(), bytes.end()));
}

// Switched: the same definition but for its enabled flag, now as wanted.
Outcome JudgeSwitched(bool enabled, const std::wstring& file, const Bytes& start) {
    const auto now = Contents(file);
    if (now == start) {
        return Outcome::Start;
    }
    if (!now) {
        return Outcome::Lost;
    }
    const auto definition = ParseTaskXml(TextOf(*now));
    const bool onlyTheFlag = definition && definition->enabled == enabled &&
                             WithoutEnabledFlag(TextOf(*now)) == WithoutEnabledFlag(TextOf(*start));
    return onlyTheFlag ? Outcome::Final : Outcome::Other;
}

Outcome JudgeSwitchedOff(const std::wstring& file, const Bytes& start) {
    return JudgeSwitched(false, file, start);
}

Outcome JudgeSwitchedOn(const std::wstring& file, const Bytes& start) {
    return JudgeSwitched(true, file, start);
}

// Deleted: the definition gone from the scheduler and kept whole in its copy. Any copy left
// beside a task that stays must be whole as well.
Outcome JudgeDeletedWithCopy(const std::wstring& file, const Bytes& start) {
    const std::wstring taskPath = file.substr(TaskDefinitionFiles::FileOf(L"").size());
    const auto copy = Contents(TaskDefinitionFiles::KeptCopyOf(taskPath));
    const auto now = Contents(file);
    if (copy && copy != start) {
        return Outcome::Other;
    }
    if (now == start) {
        return Outcome::Start;
    }
    if (!now) {
        return copy ? Outcome::Final : Outcome::Lost;
    }
    return Outcome::Other;
}

// A Startup-folder file moved between the folder and its store: whole at exactly one end.
Outcome JudgeMoved(const std::wstring& file, const Bytes& start, const std::wstring& to) {
    const auto now = Contents(file);
    const auto moved = Contents(to);
    if (now == start && !moved) {
        return Outcome::Start;
    }
    if (!now) {
        return moved == start ? Outcome::Final : moved ? Outcome::Other : Outcome::Lost;
    }
    return Outcome::Other;
}

std::vector<TaskScenario> Scenarios() {
    constexpr DWORD kDisabled = 0x4;
    constexpr DWORD kIdle = 0x10;
    constexpr DWORD kBatteries = 0x40;
    return {
        {"switch a task off", false, kDisabled | kIdle | kBatteries,
         [=](ScheduledTasks& tasks, ScratchFolder& scratch) {
             tasks.Create(Stem(L"TarnFaultOff"), scratch.AddFile(L"app.exe"), kIdle | kBatteries);
             return JobFile(Stem(L"TarnFaultOff"));
         },
         [](const std::wstring&) { return DisableTask(Stem(L"TarnFaultOff") + L".job"); }},
        {"switch a task on", false, kIdle | kBatteries,
         [=](ScheduledTasks& tasks, ScratchFolder& scratch) {
             tasks.Create(Stem(L"TarnFaultOn"), scratch.AddFile(L"app.exe"), kDisabled | kIdle | kBatteries);
             return JobFile(Stem(L"TarnFaultOn"));
         },
         [](const std::wstring&) { return EnableTask(Stem(L"TarnFaultOn") + L".job"); }},
        {"delete a task", true, 0,
         [](ScheduledTasks& tasks, ScratchFolder& scratch) {
             tasks.Create(Stem(L"TarnFaultDelete"), scratch.AddFile(L"app.exe"), kIdle);
             return JobFile(Stem(L"TarnFaultDelete"));
         },
         [](const std::wstring&) { return DeleteTask(Stem(L"TarnFaultDelete") + L".job"); }},
        {"switch a task of the newer scheduler off", false, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return NewerTask(scratch, L"Switch"); },
         [](const std::wstring&) { return DisableTask(NewerTaskPath(L"Switch")); }, JudgeSwitchedOff, true},
        {"switch a task of the newer scheduler off where the scheduler sets the flag", false, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return NewerTask(scratch, L"FlagOff"); },
         [](const std::wstring&) { return DisableTask(NewerTaskPath(L"FlagOff")); }, JudgeSwitchedOff, false, false,
         StandInScheduler::SetsTheFlag},
        {"switch a task of the newer scheduler on where the scheduler sets the flag", false, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return NewerTask(scratch, L"FlagOn", false); },
         [](const std::wstring&) { return EnableTask(NewerTaskPath(L"FlagOn")); }, JudgeSwitchedOn, false, false,
         StandInScheduler::SetsTheFlag},
        {"switch a task of the newer scheduler off through its definition", false, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return NewerTask(scratch, L"DefinitionOff"); },
         [](const std::wstring&) { return DisableTask(NewerTaskPath(L"DefinitionOff")); }, JudgeSwitchedOff, false,
         false, StandInScheduler::TakesTheDefinition},
        {"switch a task of the newer scheduler on through its definition", false, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return NewerTask(scratch, L"DefinitionOn", false); },
         [](const std::wstring&) { return EnableTask(NewerTaskPath(L"DefinitionOn")); }, JudgeSwitchedOn, false, false,
         StandInScheduler::TakesTheDefinition},
        {"delete a task of the newer scheduler", true, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return NewerTask(scratch, L"Delete"); },
         [](const std::wstring&) { return DeleteTask(NewerTaskPath(L"Delete")); }, JudgeDeletedWithCopy},
        {"switch a Startup-folder file off", false, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return scratch.AddFile(L"Startup\\run.bat", 40); },
         [](const std::wstring& file) { return CAutoRunStateChanges().DisableStartupFile(file); },
         [](const std::wstring& file, const Bytes& start) {
             const std::wstring folder = file.substr(0, file.rfind(L'\\'));
             return JudgeMoved(file, start, StartupFileStoreOf(folder) + L"\\run.bat");
         }},
        {"switch a Startup-folder file on", false, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) {
             return scratch.AddFile(L"Startup\\TarnAutoRunDisable\\run.bat", 40);
         },
         [](const std::wstring& file) { return CAutoRunStateChanges().EnableStartupFile(file); },
         [](const std::wstring& file, const Bytes& start) {
             const std::wstring store = file.substr(0, file.rfind(L'\\'));
             return JudgeMoved(file, start, store.substr(0, store.rfind(L'\\')) + L"\\run.bat");
         }},
        {"delete a shortcut", true, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) { return scratch.AddFile(L"Start.lnk"); },
         [](const std::wstring& file) { return DeleteShortcut(file); }},
        {"delete a shortcut with its switch", true, 0,
         [](ScheduledTasks&, ScratchFolder& scratch) {
             const BYTE off[] = {3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
             WriteValue(HKEY_CURRENT_USER, kStartupFolderList, L"Start.lnk", REG_BINARY, off, sizeof(off));
             return scratch.AddFile(L"Start.lnk");
         },
         [](const std::wstring& file) {
             CAutoRunStateChanges changes;
             return changes.DeleteApprovedShortcut(file, L"HKCU\\" + kStartupFolderList, L"Start.lnk");
         },
         JudgeShortcutWithSwitch, false, true},
    };
}

Outcome Judge(const TaskScenario& scenario, const std::wstring& file, const Bytes& start) {
    if (scenario.judge) {
        return scenario.judge(file, start);
    }
    const auto now = Contents(file);
    if (now == start) {
        return Outcome::Start;
    }
    if (scenario.deletes) {
        return now ? Outcome::Other : Outcome::Final;
    }
    if (!now) {
        return Outcome::Lost;
    }
    const std::wstring name = file.substr(file.rfind(L'\\') + 1);
    const auto flags = TaskFlags(name);
    return flags && *flags == scenario.finalFlags ? Outcome::Final : Outcome::Other;
}

// A scenario's starting state, made afresh for each run: its scratch folder and tasks, a registry
// sandbox and a stand-in scheduler where it asks for them, and the file to watch as it starts.
struct Arranged {
    explicit Arranged(const TaskScenario& scenario) {
        if (scenario.withRegistry) {
            sandbox.emplace();
        }
        if (scenario.standIn) {
            standIn.emplace(*scenario.standIn);
        }
        file = scenario.setup(tasks, scratch);
        start = Contents(file);
    }

    ScratchFolder scratch;
    ScheduledTasks tasks;
    std::optional<RegistrySandbox> sandbox;
    std::optional<ScopedStandInScheduler> standIn;
    std::wstring file;
    Bytes start;
};

TEST(TaskFaultInjection, NoTaskOrShortcutIsLostOrAlteredWhateverCallFails) {
    int runs = 0;
    int injected = 0;
    int lost = 0;
    int altered = 0;
    int falseSuccesses = 0;
    const auto scenarios = Scenarios();
    const char* only = std::getenv("TARN_FAULT_ONLY");
    for (const TaskScenario& scenario : scenarios) {
        if (only != nullptr && std::string(scenario.name).find(only) == std::string::npos) {
            continue;
        }
        int calls = 0;
        {
            const Arranged arranged(scenario);
            const std::wstring& file = arranged.file;
            const Bytes& start = arranged.start;
            ASSERT_TRUE(start.has_value()) << scenario.name;
            std::optional<FaultInjection> registryCounting;
            if (scenario.withRegistry) {
                registryCounting.emplace(FaultPlan{});
            }
            TaskFaultInjection counting(FaultPlan{});
            const int clean = scenario.run(file);
            calls = counting.calls();
            if (clean == 0 && scenario.mayBeRefused) {
                // Every run below must then leave the task as it was and report failure.
                ASSERT_EQ(Outcome::Start, Judge(scenario, file, start)) << scenario.name;
                std::printf("%s: refused by this scheduler; the runs check that nothing changes\n", scenario.name);
            } else {
                ASSERT_EQ(1, clean) << scenario.name;
                ASSERT_EQ(Outcome::Final, Judge(scenario, file, start)) << scenario.name;
            }
        }
        std::vector<FaultPlan> plans;
        for (int n = 1; n <= calls; ++n) {
            for (const LONG error : kErrorCodes) {
                plans.push_back(FaultPlan{{n}, false, false, error});
                plans.push_back(FaultPlan{{n}, true, false, error});
            }
            plans.push_back(FaultPlan{{n}, false, true, ERROR_ACCESS_DENIED});
        }
        for (std::size_t next = 0; next < plans.size(); ++next) {
            const FaultPlan plan = plans[next];
            const Arranged arranged(scenario);
            const std::wstring& file = arranged.file;
            const Bytes& start = arranged.start;
            int result = 0;
            int runCalls = 0;
            {
                // Both tables count their calls as one sequence.
                std::optional<FaultInjection> registryFaults;
                if (scenario.withRegistry) {
                    registryFaults.emplace(plan);
                }
                TaskFaultInjection faults(plan);
                result = scenario.run(file);
                injected += faults.injected();
                runCalls = faults.calls();
            }
            // A run whose call n failed makes calls a clean run does not (read-backs, put-backs):
            // each of them fails as a second failure too.
            const bool pairSeed =
                plan.failAt.size() == 1 && !plan.persistent && !plan.afterEffect && plan.error == ERROR_ACCESS_DENIED;
            for (int m = plan.failAt.front() + 1; pairSeed && m <= runCalls; ++m) {
                plans.push_back(FaultPlan{{plan.failAt.front(), m}, false, false, ERROR_ACCESS_DENIED});
            }
            ++runs;
            const Outcome outcome = Judge(scenario, file, start);
            const bool wasLost = outcome == Outcome::Lost;
            const bool failedOnce = !plan.persistent && plan.failAt.size() == 1;
            // A failure answered is a change not made: only a registry or scheduler that failed for
            // good may leave one it could not take back.
            const bool changedOnFailure = result == 0 && outcome != Outcome::Start && !plan.persistent;
            const bool wasAltered =
                outcome == Outcome::Other || (outcome == Outcome::Half && failedOnce) || changedOnFailure;
            const bool wasFalseSuccess = result != 0 && outcome != Outcome::Final;
            lost += wasLost ? 1 : 0;
            altered += wasAltered ? 1 : 0;
            falseSuccesses += wasFalseSuccess ? 1 : 0;
            EXPECT_FALSE(wasLost || wasAltered || wasFalseSuccess)
                << scenario.name << ": call " << plan.failAt.front()
                << (plan.failAt.size() > 1 ? " and " + std::to_string(plan.failAt.back()) : std::string())
                << (plan.persistent ? " and later" : "") << " failing with " << plan.error
                << (plan.afterEffect ? " after its change" : "");
        }
    }
    TaskDefinitionFiles::Remove(NewerTop());
    // The scheduler notices deleted task files a moment later: the next test must not see them.
    const bool forgotten = Eventually([] {
        for (const std::wstring& name : ListedTaskNames()) {
            if (name.find(L"TarnFault") != std::wstring::npos) {
                return false;
            }
        }
        return true;
    });
    EXPECT_TRUE(forgotten) << "the scheduler still lists the test's tasks";
    std::printf(
        "task and shortcut fault injection: %d scenarios, %d runs, %d injected failures, "
        "%d lost, %d altered, %d false successes\n",
        static_cast<int>(scenarios.size()), runs, injected, lost, altered, falseSuccesses);
    EXPECT_EQ(0, lost);
    EXPECT_EQ(0, altered);
    EXPECT_EQ(0, falseSuccesses);
    EXPECT_GT(runs, 0);
}

}  // namespace
}  // namespace tarn::test
