#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "套接字服务": Winsock transport and name-space providers, one numbered catalog subkey each.
class CTarnAutoRunWinsock : public CTarnAutoRunBase {
public:
    int32_t Enumerate() override;
    int32_t EnumerateOpenKey() override { return 0; }

private:
    void ReadTransportProviders(const std::wstring& walkedPath);
    void ReadNameSpaceProviders(const std::wstring& walkedPath);
};

}  // namespace tarn
