#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "默认装载库": the known DLLs mapped at start-up, each found in the "DllDirectory" folder.
class CTarnAutoRunKnownDLLs : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

    // "DllDirectory" of the live key (also during the store pass); empty when absent.
    static std::wstring ReadDllDirectory();

private:
    static std::wstring ReadDllDirectory(const wchar_t* name);
    void ReadKnownDlls(RegKey& key, const ReadContext& at);
};

}  // namespace tarn
