#pragma once

#include <windows.h>

namespace tarn {

// Loads a library from the system folder only: a planted copy beside the program or in the
// current folder must never run in it. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Looks up an entry point of a loaded library into a typed function pointer (null when absent).
template <typename Function>
void ResolveEntryPoint(HMODULE library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace tarn
