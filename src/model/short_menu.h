#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "快捷方式": shortcut files on the user's desktop and in the common programs menu, walked depth
// first, each listed with the folder it lies in.
class CTarnAutoRunShortMenu : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    int32_t EnumerateOpenKey() override;

    void WalkFolder(const std::wstring& folder);
    // The target of a shortcut file as stored (environment variables not expanded); empty when
    // it cannot be read. COM is initialised for the call.
    static std::wstring ResolveShortcut(const std::wstring& path);

private:
    void WalkFolder(const std::wstring& folder, int depth);
    void AddShortcut(const std::wstring& folder, const std::wstring& fileName, const std::wstring& path);
};

}  // namespace tarn
