#pragma once

#include "fileinfo/signature_text.h"

namespace tarn {

// Texts the pages show for an entry's state and signature.
constexpr wchar_t kStateEnabledText[] = L"已启用";
constexpr wchar_t kStateDisabledText[] = L"已禁用";
// Switched off by Windows' own startup switch (Task Manager's Startup page), not by this program.
constexpr wchar_t kStateOffByWindowsText[] = L"系统禁用";
// Live, but its program loads it only when asked (an Office add-in).
constexpr wchar_t kStateNotAtStartText[] = L"按需加载";
constexpr wchar_t kFileMissingText[] = L"文件不存在";
// Marks an entry whose name holds a NUL, which only hiding malware writes.
constexpr wchar_t kNulNameText[] = L"名称含空字符";
// Mark entries whose name, command or path holds a bidirectional control or a control character.
constexpr wchar_t kBidiNameText[] = L"含方向控制字符";
constexpr wchar_t kControlNameText[] = L"含控制字符";
// Marks a task the scheduler's registry holds but its interfaces do not return.
constexpr wchar_t kHiddenFromSchedulerText[] = L"对计划程序隐藏";
// Marks a class the user's own class key overrides.
constexpr wchar_t kUserClassOverrideText[] = L"用户覆盖";
// Marks an entry of the 32-bit view of a 64-bit Windows.
constexpr wchar_t kWow32Text[] = L"32位";

}  // namespace tarn
