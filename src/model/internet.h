#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "网络浏览器": browser helper objects, browser extensions, toolbars and URL search hooks.
class CTarnAutoRunInternet : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

private:
    void ReadHelperObjects(RegKey& key, const ReadContext& at);
    void ReadExtensions(RegKey& key, const ReadContext& at);
    // Toolbars and URL search hooks: values named by a class, each registered in the context's
    // view and, for a list both views share (`bothViews`), in the 32-bit one too.
    void ReadClsidValues(RegKey& key, const ReadContext& at, bool bothViews);
    // Fills the record from the class key of its view: its name, and its DLL as `imagePath`;
    // false when the class key does not open.
    bool ReadClass(AutoRunEntry& entry, const std::wstring& clsid) const;
};

}  // namespace tarn
