#pragma once

#include <windows.h>

#include <string>

namespace tarn {

// Writes text to a standard handle: through the console's wide API when it is a console, as
// UTF-8 bytes when it is redirected to a file or a pipe.
void WriteText(DWORD standardHandle, const std::wstring& text);

}  // namespace tarn
