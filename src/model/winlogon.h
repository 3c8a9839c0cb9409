#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "登录通知": the logon UI host, the Winlogon notification packages and the user's screen saver.
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
};

}  // namespace tarn
