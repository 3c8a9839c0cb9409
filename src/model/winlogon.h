#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "登录通知": the logon UI host, the Winlogon notification packages and the user's screen saver.
class CTarnAutoRunWinlogon : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    // The screen saver of "Control Panel\Desktop".
    int32_t EnumerateOpenKey() override;

    const std::wstring& notifyPath() const { return notifyPath_; }

private:
    void ReadUIHost();
    void ReadNotifyPackages();

    // Key path (without root) under which the notification packages are read in this pass.
    std::wstring notifyPath_;
};

}  // namespace tarn
