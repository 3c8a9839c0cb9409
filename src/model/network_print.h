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
    int32_t EnumerateOpenKey() override;
    void ClearResults() override;

    const std::vector<std::wstring>& providerNames() const { return providerNames_; }
    const std::vector<std::wstring>& providerPaths() const { return providerPaths_; }

private:
    std::vector<std::wstring> providerNames_;
    std::vector<std::wstring> providerPaths_;
};

// "打印监视": the print monitors and their DLLs.
class CTarnAutoRunPrint : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    int32_t EnumerateOpenKey() override;

    const std::wstring& monitorPath() const { return monitorPath_; }

private:
    // Key path (without root) under which the monitors are read in this pass.
    std::wstring monitorPath_;
};

}  // namespace tarn
