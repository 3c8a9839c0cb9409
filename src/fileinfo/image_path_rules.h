#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace tarn {

// Candidates the resolver composes must fit a 260-unit path buffer with its terminator.
constexpr std::size_t kMaxComposedPathLength = 259;

// What the resolver needs from the machine.
struct ImagePathEnvironment {
    // Value of an environment variable ("programfiles", "systemroot", "windir"); empty when unset.
    std::function<std::wstring(const wchar_t* name)> variable;
    // Whether a path names an existing file or directory.
    std::function<bool(const std::wstring& path)> exists;
    // The text with every %NAME% reference replaced from the whole environment; nothing when it
    // cannot be expanded. May be left empty.
    std::function<std::optional<std::wstring>(const std::wstring& text)> expand = {};
    // The drive ("c:") of a volume device ("\device\harddiskvolume3", lower case); nothing when it
    // has none. May be left empty.
    std::function<std::optional<std::wstring>(const std::wstring& device)> driveOfDevice = {};
};

// Whether a text holds a %NAME% reference.
bool HoldsEnvironmentReference(const std::wstring& text);

// Turns a registered command text into the path of the existing file it loads, by the fixed
// chain of rewrite rules and fallbacks; nothing when no file is found. The object-path forms that
// services and drivers are registered with ("\??\C:\...", "\SystemRoot\...", "System32\...",
// "\Device\HarddiskVolume1\...") are read as the files they name before any rule. A text those rules do not
// resolve and that holds %NAME% references is expanded from the whole environment and tried again.
std::optional<std::wstring> ResolveImagePathText(std::wstring text, const ImagePathEnvironment& environment);

}  // namespace tarn
