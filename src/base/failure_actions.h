#pragma once

#include <cstddef>
#include <string>

namespace tarn {

// What a service's "FailureActions" value (a SERVICE_FAILURE_ACTIONS kept with its pointers
// zeroed: reset period, three pointers, the count, then eight bytes per action) says is done when
// the service fails, e.g. "重新启动服务, 运行命令"; bounded by the value's size. Empty when it names
// no action.
std::wstring FailureActionsText(const unsigned char* data, std::size_t size);

// Whether one of those actions runs the service's failure command.
bool FailureActionsRunCommand(const unsigned char* data, std::size_t size);

}  // namespace tarn
