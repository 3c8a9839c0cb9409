#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarn::test {

// Reads the controls of another program (the registry editor, the shell), whose item texts do
// not cross process boundaries by message: the request and its text buffer are placed in the
// other process's memory. Both programs must have the same bitness.

// The selected item of a tree control and its ancestors, joined with "\"; empty without one.
std::wstring TreeSelectionPath(HWND tree);

// The text of the first selected row of a list-view control; empty without one.
std::wstring ListSelectionText(HWND listView);

// The process that owns a window.
DWORD ProcessOf(HWND window);

// Closes every top-level window of a class (as its close box does) and waits until they are gone.
bool CloseWindowsOfClass(const wchar_t* className, DWORD timeoutMs = 10000);

// The visible top-level windows of every process but this one.
std::vector<HWND> OtherProgramsWindows();

// The visible top-level windows of this process.
std::vector<HWND> OwnWindows();

// A window's class name and title.
std::wstring ClassOf(HWND window);
std::wstring TitleOf(HWND window);

}  // namespace tarn::test
