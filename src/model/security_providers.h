#pragma once

#include "model/autorun_base.h"

namespace tarn {

// "安全提供者": the DLLs the Local Security Authority loads into its process, one entry per name in
// its package lists and in the security support providers' text.
class CTarnAutoRunSecurityProviders : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
};

}  // namespace tarn
