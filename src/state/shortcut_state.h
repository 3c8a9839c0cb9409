#pragma once

#include <string>

namespace tarn {

// Shortcuts have no switched-off form: both switches change nothing and report success.
int DisableShortcut(const std::wstring& entryText);
int EnableShortcut(const std::wstring& entryText);

// Deletes a shortcut file; fails only when the file exists and cannot be deleted.
int DeleteShortcut(const std::wstring& path);

}  // namespace tarn
