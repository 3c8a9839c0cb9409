#pragma once

// What a scheduled task's definition (the Task Scheduler's XML) says it runs and when. Pure text
// logic: the definition comes from the scheduler or from its file.

#include <optional>
#include <string>
#include <vector>

namespace tarn {

enum class TaskActionKind { Exec, ComHandler, SendEmail, ShowMessage, Unknown };

struct TaskAction {
    TaskActionKind kind = TaskActionKind::Unknown;
    std::wstring command;           // Exec: the program, as written
    std::wstring arguments;         // Exec
    std::wstring workingDirectory;  // Exec
    std::wstring classId;           // ComHandler
    std::wstring data;              // ComHandler
};

struct TaskDefinition {
    std::wstring author;
    std::wstring description;
    // Settings/Enabled and Settings/Hidden; nothing where the definition leaves them out.
    std::optional<bool> enabled;
    std::optional<bool> hidden;
    // The element names of the triggers, in order ("LogonTrigger", "BootTrigger", ...).
    std::vector<std::wstring> triggers;
    std::vector<TaskAction> actions;
    // How the task's principal logs on, as the scheduler numbers it (TASK_LOGON_TYPE): the one a
    // definition registered again over itself keeps.
    int logonType = 0;
};

// Reads a task definition; nothing when the text is not a <Task> document. Element names are
// compared without a namespace prefix; character and entity references are decoded.
std::optional<TaskDefinition> ParseTaskXml(const std::wstring& xml);

// Whether every action names what it starts (a program, or a class).
bool ActionsAreComplete(const TaskDefinition& definition);

// A short text of what starts the task ("登录时、启动时"); empty when nothing does.
std::wstring TriggersText(const std::vector<std::wstring>& triggers);

// The command line a task's program action shows: the program as written, its arguments, and the
// folder it starts in.
std::wstring TaskCommandLine(const TaskAction& action);

// The text the file a program action starts is resolved from: the program quoted as one path
// (unless written quoted), then its arguments.
std::wstring TaskProgramCommand(const TaskAction& action);

// The definition without its Settings/Enabled element: two definitions that differ only by the
// flag a switch changes compare equal after it.
std::wstring WithoutEnabledFlag(const std::wstring& xml);

// The definition with its Settings/Enabled element saying `enabled` (added where Settings has none);
// nothing for a definition without a Settings element to hold it.
std::optional<std::wstring> WithEnabledFlag(const std::wstring& xml, bool enabled);

// The text of a task file: UTF-16 (with or without its byte-order mark) or UTF-8.
std::wstring TaskFileText(const std::string& bytes);

}  // namespace tarn
