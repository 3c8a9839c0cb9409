#pragma once

#include "base/registry_view.h"

#include <optional>
#include <string>

namespace tarn {

// The class key of a COM class as the view's processes find it below HKEY_CLASSES_ROOT.
std::wstring ClassKeyOfView(const std::wstring& clsid, RegistryView view);

// The class's name (its key's default value) and the DLL of its in-process server, as the view's
// processes find them; nothing when the key or the value is not there. A class that names another
// in "TreatAs" is served by that one's server.
std::optional<std::wstring> ClassName(const std::wstring& clsid, RegistryView view);
std::optional<std::wstring> ClassServerDll(const std::wstring& clsid, RegistryView view);

// The server the user's own class key (below HKEY_CURRENT_USER's classes) names for the class:
// what Windows loads for that user instead of the machine's; nothing when the user has none.
std::optional<std::wstring> UserClassServerDll(const std::wstring& clsid, RegistryView view);

}  // namespace tarn
