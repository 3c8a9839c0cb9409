#pragma once

#include "model/autorun_base.h"

#include <string>
#include <vector>

namespace tarn {

// "网络服务": the network providers of the provider order and the DLL each registers (switched-off
// providers are not listed: there is no store), and the helper DLLs of netsh.
class CTarnAutoRunNetWork : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    void ClearResults() override;

    // The DLLs of the listed providers, in order.
    const std::vector<std::wstring>& providerPaths() const { return providerPaths_; }

private:
    void ReadProviders(RegKey& key, const ReadContext& at);

    std::vector<std::wstring> providerPaths_;
};

// "打印监视": the print monitors, the print processors of every environment and the print
// providers, with their DLLs.
class CTarnAutoRunPrint : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
};

}  // namespace tarn
