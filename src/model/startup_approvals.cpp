#include "model/startup_approvals.h"

#include "base/key_text.h"
#include "base/registry_names.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"

namespace tarn {

StartupApprovals::StartupApprovals(HKEY root, const wchar_t* rootName, const wchar_t* listName) {
    const std::wstring path = JoinKeyText(kStartupApprovedPath, listName);
    keyText_ = JoinKeyText(rootName, path);
    RegKey list;
    if (!list.OpenRead(root, path)) {
        return;
    }
    ForEachValue(list, [&](const RegValue& value) {
        byName_[FoldRegistryName(value.name)] = ReadStartupApproval(value.type, value.bytes.data(), value.bytes.size());
    });
}

StartupApproval StartupApprovals::Of(const std::wstring& name) const {
    const auto found = byName_.find(FoldRegistryName(name));
    return found != byName_.end() ? found->second : StartupApproval{};
}

}  // namespace tarn
