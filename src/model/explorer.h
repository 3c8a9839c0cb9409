#pragma once

#include "model/autorun_base.h"

#include <memory>
#include <string>

namespace tarn {

// "资源管理器": in-process components the shell loads, most of them COM classes looked up under
// HKEY_CLASSES_ROOT for their name and DLL.
class CTarnAutoRunExplorer : public CTarnAutoRunBase {
public:
    explicit CTarnAutoRunExplorer(EntryFiles& files);

    int32_t Enumerate() override;
    int32_t EnumerateOpenKey() override { return 0; }

    // Reads the class's default value into the scratch class name; false when the class key does
    // not open or has no default value.
    bool LookUpClassName(const std::wstring& clsid);
    // Sets the current record's command to the class key's text and reads the default value of
    // its "InProcServer32" key into the scratch DLL text; false when there is none.
    bool LookUpClassDll(const std::wstring& clsid);

private:
    struct ClassScratch {
        std::wstring name;
        std::wstring dll;
    };

    void ReadActiveSetup(const std::wstring& walkedPath);
    void ReadNamedClsidValues();
    void ReadClsidValueNames();
    void ReadHandlerSubkeys(HKEY root, const std::wstring& keyPath);
    // Adds the current record for its class, as registered in the current view and, for a list
    // both views share, in the 32-bit view too; `nameFromClass` names it after the class.
    void AddClassEntry(const std::wstring& clsid, bool nameFromClass = false);

    std::unique_ptr<ClassScratch> scratch_;
    bool classesOfBothViews_ = false;
};

}  // namespace tarn
