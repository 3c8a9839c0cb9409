#pragma once

#include <cstddef>
#include <string>

namespace tarn::test {

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }

    // Full path of a relative name inside the folder.
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

    // Creates a file (and its folders) holding `byteCount` bytes; returns its full path.
    std::wstring AddFile(const std::wstring& relative, std::size_t byteCount = 16) const;
    std::wstring AddFolder(const std::wstring& relative) const;

private:
    std::wstring path_;
};

}  // namespace tarn::test
