#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "套接字服务": Winsock transport and name-space providers, one numbered catalog subkey each.
class CTarnAutoRunWinsock : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    int32_t EnumerateOpenKey() override { return 0; }

private:
    void ReadTransportProviders(const std::wstring& walkedPath);
    void ReadNameSpaceProviders(const std::wstring& walkedPath);
    // Calls `read(name, relPath, key)` for every catalog subkey, with a new current record and
    // the subkey open in `key`.
    template <typename Read>
    void ForEachCatalogEntry(const std::wstring& walkedPath, Read read);
};

}  // namespace tarn
