#pragma once

#include "model/autorun_base.h"

#include <string>
#include <utility>
#include <vector>

namespace tarn {

// "快捷方式": shortcut files on the user's desktop, in the common programs menu and in the user's
// startup folder, walked depth first, each listed with the folder it lies in. A shortcut right in
// a startup folder takes its switch in Windows' startup list of that folder.
class CTarnAutoRunShortMenu : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

    // The target of a shortcut file as stored (environment variables not expanded); empty when
    // it cannot be read. COM is initialised for the call.
    static std::wstring ResolveShortcut(const std::wstring& path);

private:
    // The startup folders with their switch lists, read at the start of a scan.
    using StartupFolders = std::vector<std::pair<std::wstring, StartupApprovals>>;

    void WalkFolder(const std::wstring& folder, int depth, const StartupFolders& startupFolders);
    void AddShortcut(const std::wstring& folder,
                     const std::wstring& fileName,
                     const std::wstring& path,
                     const StartupFolders& startupFolders);
};

}  // namespace tarn
