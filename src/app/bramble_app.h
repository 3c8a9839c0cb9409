#pragma once

#include <windows.h>

namespace tarn {

constexpr wchar_t kWow64RefusalText[] = L"非常遗憾，本工具处于测试阶段，暂不支持64位操作系统!";

// Whether this 32-bit process runs inside the 32-bit emulation of a 64-bit Windows. Only a
// successful call that answers TRUE says so; a system without the call runs the program.
bool RunsUnderWow64();

// The program: refuses the 64-bit emulation, then runs the main window until it is closed.
class CBrambleApp {
public:
    explicit CBrambleApp(HINSTANCE instance) : instance_(instance) {}
    // Returns FALSE: the program ends when the main window closes.
    BOOL InitInstance();

private:
    HINSTANCE instance_;
};

}  // namespace tarn
