#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "资源管理器": in-process components the shell loads, most of them COM classes looked up under
// HKEY_CLASSES_ROOT for their name and DLL.
class CTarnAutoRunExplorer : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

private:
    void ReadActiveSetup(RegKey& key, const ReadContext& at);
    void ReadNamedClsidValues(RegKey& key, const ReadContext& at, bool bothViews);
    void ReadClsidValueNames(RegKey& key, const ReadContext& at, bool bothViews);
    void ReadHandlerSubkeys(RegKey& key, const ReadContext& at, bool bothViews);
    // Adds the record for its class, as registered in the record's view and, for a list both views
    // share (`bothViews`), in the 32-bit view too; `nameFromClass` names it after the class.
    void AddClassEntry(const AutoRunEntry& pattern,
                       const std::wstring& clsid,
                       const ReadContext& at,
                       bool bothViews,
                       bool nameFromClass = false);
};

}  // namespace tarn
