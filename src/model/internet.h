#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "网络浏览器": browser helper objects, browser extensions, toolbars and URL search hooks.
class CTarnAutoRunInternet : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    // Toolbars and URL search hooks: values named by a class.
    int32_t EnumerateOpenKey() override;

private:
    void ReadHelperObjects();
    void ReadExtensions();
    // Fills the current record from the class key: its name, and its DLL as `imagePath`; false
    // when the class key does not open.
    bool ReadClass(const std::wstring& clsid);

    bool classesOfBothViews_ = false;
};

}  // namespace tarn
