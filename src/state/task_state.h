#pragma once

#include <string>

namespace tarn {

// Switching a scheduled task off sets its disabled flag; switching it on clears that flag. Every
// other flag is kept. True when the flags were set and the task saved.
int DisableTask(const std::wstring& name);
int EnableTask(const std::wstring& name);

// Deletes the task's file in the system root's "Tasks" folder. A name that could reach outside
// that folder (a path separator, a drive colon, "..") is refused. A task of the 2.0 scheduler
// (named by its full path, "\\Folder\\Name") is switched by its enabled flag only, and deleted
// through its folder once its definition is kept in a file below KeptTaskCopyFolder().
int DeleteTask(const std::wstring& name);

// Where the definitions of deleted tasks are kept: "<system root>\\Tasks\\TarnAutoRunDisable",
// one file per task, named by its path.
std::wstring KeptTaskCopyFolder();

}  // namespace tarn
