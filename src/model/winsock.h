#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "套接字服务": Winsock transport and name-space providers, one numbered catalog subkey each.
class CTarnAutoRunWinsock : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

private:
    void ReadTransportProviders(RegKey& catalog, const ReadContext& at);
    void ReadNameSpaceProviders(RegKey& catalog, const ReadContext& at);
    // Calls `read(entry, key)` for every catalog subkey, with a new record of the subkey and the
    // subkey open in `key`.
    template <typename Read>
    void ForEachCatalogEntry(RegKey& catalog, const ReadContext& at, Read read);
};

}  // namespace tarn
