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
    void ClearResults() override;

    // The target of a shortcut file as stored (environment variables not expanded); empty when
    // it cannot be read. COM is initialised for the call.
    static std::wstring ResolveShortcut(const std::wstring& path);

private:
    // The startup folders with their switch lists, read at the start of a scan.
    using StartupFolders = std::vector<std::pair<std::wstring, StartupApprovals>>;

    // Calls `visit(name, isFolder)` for every name in a folder; a folder that cannot be read is
    // reported.
    template <typename Visit>
    void ForEachFound(const std::wstring& folder, Visit visit);
    void WalkFolder(const std::wstring& folder, int depth, const StartupFolders& startupFolders);
    void AddShortcut(const std::wstring& folder, const std::wstring& fileName, const std::wstring& path);
    // The files right in a Startup folder (pass 0) and in its store (pass 1).
    void ReadStartupFolder(const std::wstring& folder, const StartupApprovals& approvals);
    void AddStartupFile(const std::wstring& path,
                        const std::wstring& fileName,
                        const ReadContext& at,
                        const StartupApprovals& approvals);
    // What a file starts when Windows opens it: a shortcut's target, an Internet shortcut's
    // address, else the command its type's "open" verb makes of it.
    static std::wstring StartedBy(const std::wstring& path, const std::wstring& fileName);

    // Folders walked in this scan, so that none is walked twice.
    std::vector<std::wstring> walked_;
};

}  // namespace tarn
