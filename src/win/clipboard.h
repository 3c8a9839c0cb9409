#pragma once

#include <windows.h>

#include <string>

namespace tarn {

// Puts the text on the clipboard as Unicode text, replacing what it held; false when the
// clipboard could not be had (another program holds it) or the text not placed.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

}  // namespace tarn
