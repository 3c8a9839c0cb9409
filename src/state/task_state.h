#pragma once

#include <string>

namespace tarn {

// Switching a scheduled task off sets its disabled flag; switching it on clears that flag. Every
// other flag is kept. True when the flags were set and the task saved.
int DisableTask(const std::wstring& name);
int EnableTask(const std::wstring& name);

// Deletes the task's file in the system root's "Tasks" folder. A name that could reach outside
// that folder (a path separator, a drive colon, "..") is refused.
int DeleteTask(const std::wstring& name);

}  // namespace tarn
