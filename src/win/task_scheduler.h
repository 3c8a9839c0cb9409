#pragma once

#include "win/com_ptr.h"

#include <windows.h>
#include <mstask.h>

#include <optional>
#include <string>

namespace tarn {

// Task Scheduler 1.0 identifiers, defined here so that no import library has to provide them.
extern const CLSID kTaskSchedulerClass;
extern const IID kTaskSchedulerInterface;
extern const IID kTaskInterface;

// The scheduler of this machine; empty when it cannot be created. COM must be initialised.
com_ptr<ITaskScheduler> CreateTaskScheduler();

// Opens a work item by the name it is listed under. Some schedulers list names with the ".job"
// of their files but open them only without it: such a name is tried both ways.
com_ptr<ITask> ActivateTask(ITaskScheduler& scheduler, const std::wstring& name);

// A string the scheduler allocated, freed with CoTaskMemFree.
std::wstring TakeTaskString(LPWSTR text);

}  // namespace tarn
