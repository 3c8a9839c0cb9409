#pragma once

#include <optional>
#include <string>

namespace tarn::test {

// Path of one of the prefix's shell folders (created when missing).
std::wstring SpecialFolder(int csidl);

// Saves a shell link at `path` (creating its folders) that points at `target`.
void MakeShortcut(const std::wstring& path, const std::wstring& target);

// A folder of this test process inside one of the prefix's shell folders, removed afterwards.
class ShellTestFolder {
public:
    explicit ShellTestFolder(int csidl);
    ~ShellTestFolder();
    ShellTestFolder(const ShellTestFolder&) = delete;
    ShellTestFolder& operator=(const ShellTestFolder&) = delete;

    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }
    const std::wstring& path() const { return path_; }
    // The part of the path that marks this process's folders.
    static std::wstring Marker();

private:
    std::wstring path_;
};

// The user's Startup folder moved to `folder` through the shell-folder settings, as a program may
// move it, for the life of the scope; the settings are put back afterwards.
class ScopedUserStartupFolder {
public:
    explicit ScopedUserStartupFolder(const std::wstring& folder);
    ~ScopedUserStartupFolder();
    ScopedUserStartupFolder(const ScopedUserStartupFolder&) = delete;
    ScopedUserStartupFolder& operator=(const ScopedUserStartupFolder&) = delete;

private:
    std::optional<std::wstring> user_;
    std::optional<std::wstring> shell_;
};

}  // namespace tarn::test
