#pragma once

#include "model/autorun_base.h"

#include <string>
#include <utility>
#include <vector>

namespace tarn {

// "快捷方式": shortcut files on the user's desktop and in the common programs menu, walked depth
// first, each listed with the folder it lies in; and every file right in the user's and the common
// Startup folder (a script, a program, an Internet shortcut as much as a shortcut), each with its
// switch in Windows' startup list of that folder, and those switched off in its store.
class CTarnAutoRunShortMenu : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

    // The target of a shortcut file as stored (environment variables not expanded); empty when
    // it cannot be read. COM is initialised for the call.
    static std::wstring ResolveShortcut(const std::wstring& path);

private:
    // What one walk knows: the Startup folders with their switch lists, read at its start, and
    // the folders walked already (one met again, as the common Startup folder inside the menu or
    // through a link, is walked once).
    struct Walk {
        std::vector<std::pair<std::wstring, StartupApprovals>> startupFolders;
        std::vector<std::wstring> walked;
    };

    void WalkFolder(const std::wstring& folder, int depth, Walk& walk);
    void AddShortcut(const std::wstring& fileName, const std::wstring& path, const ReadContext& at);
    // A file right in a Startup folder (pass 0) or in its store (pass 1).
    void AddStartupFile(const std::wstring& path,
                        const std::wstring& fileName,
                        const ReadContext& at,
                        const StartupApprovals& approvals);
    // What a file starts when Windows opens it: a shortcut's target, an Internet shortcut's
    // address, else the command its type's "open" verb makes of it.
    static std::wstring StartedBy(const std::wstring& path, const std::wstring& fileName);
};

}  // namespace tarn
