#pragma once

#include "model/autorun_base.h"

namespace tarn {

// "映像劫持": "Debugger" programs registered for an executable under Image File Execution Options.
class CTarnAutoRunImageHijacks : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

private:
    void ReadDebuggers(RegKey& key, const ReadContext& at);
};

}  // namespace tarn
