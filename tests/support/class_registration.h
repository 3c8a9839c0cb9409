#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tarn::test {

// Where classes are registered below HKEY_LOCAL_MACHINE (HKEY_CLASSES_ROOT itself is "").
constexpr wchar_t kMachineClasses[] = L"Software\\Classes";

// Writes one string value: key path, value name, text.
using StringWriter = std::function<void(const std::wstring& path, const std::wstring& name, const std::wstring& text)>;

// The class key of `clsid` below a classes root, and its in-process server key.
std::wstring ClassKey(const std::wstring& classesRoot, const std::wstring& clsid);
std::wstring ServerKey(const std::wstring& classesRoot, const std::wstring& clsid);

// Registers a COM class as the shell and the browser find it: its name as the class key's
// default value, its DLL as the default value of its "InprocServer32" key (each when given).
void RegisterComClass(const StringWriter& write,
                      const std::wstring& classesRoot,
                      const std::wstring& clsid,
                      const std::optional<std::wstring>& name,
                      const std::optional<std::wstring>& dll);

}  // namespace tarn::test
