#include "support/class_registration.h"

namespace tarn::test {

std::wstring ClassKey(const std::wstring& classesRoot, const std::wstring& clsid) {
    return (classesRoot.empty() ? std::wstring() : classesRoot + L"\\") + L"CLSID\\" + clsid;
}

std::wstring ServerKey(const std::wstring& classesRoot, const std::wstring& clsid) {
    return ClassKey(classesRoot, clsid) + L"\\InprocServer32";
}

void RegisterComClass(const StringWriter& write,
                      const std::wstring& classesRoot,
                      const std::wstring& clsid,
                      const std::optional<std::wstring>& name,
                      const std::optional<std::wstring>& dll) {
    if (name) {
        write(ClassKey(classesRoot, clsid), L"", *name);
    }
    if (dll) {
        write(ServerKey(classesRoot, clsid), L"", *dll);
    }
}

}  // namespace tarn::test
