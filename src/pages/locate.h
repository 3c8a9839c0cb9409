#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// Starts the registry editor (or takes the one already open) and walks its key tree, keystroke by
// keystroke, to the entry's key, selecting the value for a value entry. Every wait for the editor
// is bounded: an editor that stops answering ends the walk, it never freezes the caller.
void LocateKeyInRegistryEditor(const std::wstring& keyPath, const std::wstring& valueName, int32_t locateKind);

// Opens the folder holding a file with the file selected.
void OpenFolderSelectingFile(const std::wstring& path);

// Opens the file's property sheet; the result of ShellExecuteExW.
int OpenFileProperties(const std::wstring& path);

}  // namespace tarn
