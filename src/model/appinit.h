#pragma once

#include "model/autorun_base.h"

#include <string>
#include <vector>

namespace tarn {

// "程序初始化": the DLLs of "AppInit_DLLs", one entry per item of the comma list, and the DLLs of
// "AppCertDlls", one per value.
class CTarnAutoRunAppInit : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    void ClearResults() override;

    const std::vector<ListItem>& items() const { return items_; }
    const std::vector<std::wstring>& livePaths() const { return livePaths_; }
    const std::vector<std::wstring>& storePaths() const { return storePaths_; }

private:
    std::vector<ListItem> items_;
    std::vector<std::wstring> livePaths_;
    std::vector<std::wstring> storePaths_;
};

}  // namespace tarn
