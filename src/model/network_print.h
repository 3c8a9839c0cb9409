#pragma once

#include "model/autorun_base.h"

#include <string>
#include <vector>

namespace tarn {

// "网络服务": the network providers of the provider order and the DLL each registers. Switched-off
// providers are not listed (there is no store).
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

// "打印监视": the print monitors and their DLLs.
class CTarnAutoRunPrint : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
};

}  // namespace tarn
