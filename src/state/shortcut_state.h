#pragma once

#include <string>

namespace tarn {

// Shortcuts have no switched-off form: both switches change nothing and report success.
int DisableShortcut(const std::wstring& entryText);
int EnableShortcut(const std::wstring& entryText);

// Deletes a shortcut file; fails only when the file exists and cannot be deleted.
int DeleteShortcut(const std::wstring& path);

// The folder where the files of a Startup folder are kept while switched off.
std::wstring StartupFileStoreOf(const std::wstring& folder);

}  // namespace tarn
