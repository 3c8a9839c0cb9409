#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "登录通知": the logon UI host, the Winlogon notification packages, the user's screen saver, and
// the credential providers, their filters and the pre-logon access providers.
class CTarnAutoRunWinlogon : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

private:
    // The value `valueName` of the key as an entry of kind `entryKind`; the UI host's location
    // names the value itself (`locatedAtValue`).
    void ReadNamedValue(RegKey& key,
                        const ReadContext& at,
                        const wchar_t* valueName,
                        int32_t entryKind,
                        bool locatedAtValue);
    // Each subkey of a provider list: a class whose server the logon process loads.
    void ReadProviders(RegKey& key, const ReadContext& at);
};

}  // namespace tarn
