#pragma once

#include "model/autorun_base.h"

#include <string>
#include <vector>

namespace tarn {

// "Office 加载项": what Office programs load at their start: the "Office test" DLL, COM and VSTO
// add-ins, the files Excel's "OPEN" options name, and the files in Word's and Excel's start-up
// folders.
class CTarnAutoRunOfficeAddins : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

    // The file a VSTO manifest text names: a "file:///" address made a path, "|vstolocal" and
    // what follows a bar removed.
    static std::wstring ManifestFile(const std::wstring& manifest);
    // The file an Excel "OPEN" option opens: its switches ("/R") and quotes removed.
    static std::wstring OpenOptionFile(const std::wstring& option);

private:
    void ReadOfficeTest(HKEY root, const wchar_t* rootName);
    void ReadAddins(HKEY root, const wchar_t* rootName);
    void AddAddin(RegKey& addins, const std::wstring& progId, const ReadContext& at);
    void ReadOpenOptions(HKEY root, const wchar_t* rootName);
    void ReadStartupFolder(const std::wstring& folder, std::vector<std::wstring>& walked);
};

}  // namespace tarn
