#include "model/com_class.h"

#include "base/key_text.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"

namespace tarn {

std::wstring ClassKeyOfView(const std::wstring& clsid, RegistryView view) {
    return view == RegistryView::Wow32 ? JoinKeyText(L"Wow6432Node", ClassKeyPath(clsid)) : ClassKeyPath(clsid);
}

namespace {

constexpr int kMaxTreatAsHops = 8;

std::optional<std::wstring> DefaultValueOf(const std::wstring& path, const ClassesOf& classes) {
    RegKey key;
    if (!OpenClassKey(key, path, classes)) {
        return std::nullopt;
    }
    return ReadDefaultValue(key);
}

}  // namespace

bool OpenClassKey(RegKey& key, const std::wstring& path, const ClassesOf& classes) {
    if (!classes.otherUser) {
        return key.OpenRead(HKEY_CLASSES_ROOT, path);
    }
    if (classes.userClasses != nullptr && key.OpenRead(classes.userClasses, path)) {
        return true;
    }
    return key.OpenRead(HKEY_LOCAL_MACHINE, JoinKeyText(L"Software\\Classes", path));
}

std::optional<std::wstring> ClassName(const std::wstring& clsid, RegistryView view, const ClassesOf& classes) {
    return DefaultValueOf(ClassKeyOfView(clsid, view), classes);
}

std::optional<std::wstring> ClassServerDll(const std::wstring& clsid, RegistryView view, const ClassesOf& classes) {
    std::wstring served = clsid;
    // "TreatAs" chains end quickly; one that loops is not followed round.
    for (int hop = 0; hop < kMaxTreatAsHops; ++hop) {
        const auto next = DefaultValueOf(JoinKeyText(ClassKeyOfView(served, view), L"TreatAs"), classes);
        if (!next || !IsClsidLike(*next) || EqualsNoCaseAscii(*next, served)) {
            break;
        }
        served = *next;
    }
    return DefaultValueOf(JoinKeyText(ClassKeyOfView(served, view), L"InProcServer32"), classes);
}

std::optional<std::wstring> ServerDllAt(HKEY root, const std::wstring& classKeyPath) {
    RegKey key;
    if (!key.OpenRead(root, JoinKeyText(classKeyPath, L"InProcServer32"))) {
        return std::nullopt;
    }
    return ReadDefaultValue(key);
}

}  // namespace tarn
