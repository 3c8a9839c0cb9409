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
    std::wstring served = clsid;
    // "TreatAs" chains end quickly; one that loops is not followed round.
    for (int hop = 0; hop < kMaxTreatAsHops; ++hop) {
        const auto next = DefaultValueOf(JoinKeyText(ClassKeyOfView(served, view), L"TreatAs"));
        if (!next || !IsClsidLike(*next) || EqualsNoCaseAscii(*next, served)) {
            break;
        }
        served = *next;
    }
    return DefaultValueOf(JoinKeyText(ClassKeyOfView(served, view), L"InProcServer32"));
}

std::optional<std::wstring> ServerDllAt(HKEY root, const std::wstring& classKeyPath) {
    RegKey key;
    if (!key.OpenRead(root, JoinKeyText(classKeyPath, L"InProcServer32"))) {
        return std::nullopt;
    }
    return ReadDefaultValue(key);
}

}  // namespace tarn
