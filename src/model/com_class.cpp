#include "model/com_class.h"

#include "base/key_text.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"

namespace tarn {

std::wstring ClassKeyOfView(const std::wstring& clsid, RegistryView view) {
    return view == RegistryView::Wow32 ? JoinKeyText(L"Wow6432Node", ClassKeyPath(clsid)) : ClassKeyPath(clsid);
}

namespace {

std::optional<std::wstring> DefaultValueOf(const std::wstring& path) {
    RegKey key;
    if (!key.OpenRead(HKEY_CLASSES_ROOT, path)) {
        return std::nullopt;
    }
    return ReadDefaultValue(key);
}

}  // namespace

std::optional<std::wstring> ClassName(const std::wstring& clsid, RegistryView view) {
    return DefaultValueOf(ClassKeyOfView(clsid, view));
}

std::optional<std::wstring> ClassServerDll(const std::wstring& clsid, RegistryView view) {
    return DefaultValueOf(JoinKeyText(ClassKeyOfView(clsid, view), L"InProcServer32"));
}

}  // namespace tarn
