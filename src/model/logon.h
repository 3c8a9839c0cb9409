#pragma once

#include "base/list_value.h"
#include "model/autorun_base.h"

#include <string>

namespace tarn {

// "登录启动": the Run keys and the items of the Winlogon values "Userinit" and "Shell".
class CTarnAutoRunLogon : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    void ClearResults() override;

    const ListValueRecords& userinit() const { return userinit_; }
    const ListValueRecords& shell() const { return shell_; }

    // Splits a "Shell" or "Userinit" text into list items of the context's pass; false when the
    // value is to be taken whole.
    bool SplitListValue(const std::wstring& valueName, const std::wstring& data, const ReadContext& at = {});

private:
    // The values of a Run key, each with its switch in Windows' startup list `approvals`.
    void ReadRunValues(RegKey& key, const ReadContext& at, const StartupApprovals& approvals);
    bool IsOneCommand(const std::wstring& data, ListSyntax syntax, RegistryView view);
    void ReadWinlogonList(RegKey& key, const wchar_t* listName, const ReadContext& at, ListValueRecords& list);
    ListValueRecords* RecordsFor(const std::wstring& valueName);

    ListValueRecords userinit_;
    ListValueRecords shell_;
};

}  // namespace tarn
