#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tarn::test {

// Writes values into the real registry of the prefix and undoes every write on destruction:
// keys it created go with their whole tree, values it overwrote get their old type and bytes back,
// values it added are deleted.
class RegistrySeed {
public:
    RegistrySeed() = default;
    ~RegistrySeed();
    RegistrySeed(const RegistrySeed&) = delete;
    RegistrySeed& operator=(const RegistrySeed&) = delete;

    void SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text);
    void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
    void SetBinary(HKEY root, const std::wstring& path, const std::wstring& name, const std::vector<BYTE>& bytes) {
        Set(root, path, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    // SetString below `root`, for helpers that write through a function.
    std::function<void(const std::wstring& path, const std::wstring& name, const std::wstring& text)> Writer(
        HKEY root) {
        return [this, root](const std::wstring& path, const std::wstring& name, const std::wstring& text) {
            SetString(root, path, name, text);
        };
    }

private:
    struct Undo {
        HKEY root;
        std::wstring path;
        std::wstring name;
        enum class Kind { DeleteTree, DeleteValue, RestoreValue } kind;
        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;
    };

    void Set(HKEY root,
             const std::wstring& path,
             const std::wstring& name,
             DWORD type,
             const BYTE* data,
             DWORD byteCount);

    std::vector<Undo> undo_;
};

}  // namespace tarn::test
