#pragma once

#include "model/autorun_base.h"

namespace tarn {

// "映像劫持": "Debugger" programs and verifier DLLs registered for an executable under Image File
// Execution Options, silent-exit monitors, the command processor's AutoRun, and open commands of
// executable file types that are not Windows' own.
class CTarnAutoRunImageHijacks : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

private:
    void ReadDebuggers(RegKey& key, const ReadContext& at);
    void ReadSilentExits(RegKey& key, const ReadContext& at);
    // The command processor's "AutoRun" and the open commands of the executable file types, in
    // the machine's or one user's keys.
    void ReadCommandHooks(const UserPlaces& places);
    // A value entry named `shownName`; an open command of Windows' own form is left out unless
    // `always`.
    void ReadCommandValue(RegKey& key,
                          const ReadContext& at,
                          const wchar_t* valueName,
                          const std::wstring& shownName,
                          bool always);
    // Resolves as a process of either view finds the file, for a key both views share.
    void AddSharedResolved(AutoRunEntry entry, std::wstring command, const ReadContext& at);
};

}  // namespace tarn
