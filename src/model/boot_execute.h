#pragma once

#include "model/autorun_base.h"

namespace tarn {

// "引导执行": the native programs the session manager runs before any other process, one entry
// per string of its program lists, and the boot verification program.
class CTarnAutoRunBootExecute : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
};

}  // namespace tarn
