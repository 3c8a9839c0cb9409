#include "support/category_fixture.h"

#include "support/class_registration.h"

namespace tarn::test {

std::wstring ClassCategoryTest::RegisterClass(const std::wstring& clsid,
                                              const std::optional<std::wstring>& name,
                                              bool withServer) {
    CreateKey(HKEY_CLASSES_ROOT, ClassKey(L"", clsid));
    const std::wstring dll = File(L"classes\\" + clsid.substr(1, 8) + L".dll");
    RegisterComClass(ClassesRootWriter(), L"", clsid, name,
                     withServer ? std::optional<std::wstring>(dll) : std::nullopt);
    return dll;
}

std::wstring Describe(const AutoRunEntry& e) {
    return e.name + L"|" + e.commandLine + L"|" + e.imagePath + L"|" + e.location + L"|" + e.keyPath + L"|" +
           e.valueName + L"|" + e.subKeyName + L"|" + std::to_wstring(e.entryKind) + L"|" +
           std::to_wstring(e.locateKind) + L"|" + std::to_wstring(e.state) + L"|" + std::to_wstring(e.locationKind);
}

std::wstring Describe(const Expected& x) {
    AutoRunEntry e;
    e.name = x.name;
    e.commandLine = x.commandLine;
    e.imagePath = x.imagePath;
    e.location = x.location;
    e.keyPath = x.keyPath;
    e.valueName = x.valueName;
    e.subKeyName = x.subKeyName;
    e.entryKind = x.entryKind;
    e.locateKind = x.locateKind;
    e.state = x.state;
    e.locationKind = x.locationKind;
    return Describe(e);
}

std::vector<std::wstring> DescribeAll(const CTarnAutoRunBase& enumerator) {
    std::vector<std::wstring> lines;
    for (const auto& entry : enumerator.results().entries) {
        lines.push_back(Describe(*entry));
    }
    return lines;
}

std::vector<std::wstring> ExpectSameAfterRescan(CTarnAutoRunBase& enumerator) {
    const auto first = DescribeAll(enumerator);
    enumerator.ClearResults();
    enumerator.Enumerate();
    EXPECT_EQ(first, DescribeAll(enumerator));
    return first;
}

std::vector<std::wstring> Names(const CTarnAutoRunBase& enumerator) {
    std::vector<std::wstring> names;
    for (const auto& entry : enumerator.results().entries) {
        names.push_back(entry->name);
    }
    return names;
}

}  // namespace tarn::test
