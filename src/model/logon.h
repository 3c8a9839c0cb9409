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
    int32_t EnumerateOpenKey() override;
    void ClearResults() override;

    // Splits a "Shell" or "Userinit" text into list items of the current pass; false when the
    // value is to be taken whole.
    bool SplitListValue(const std::wstring& valueName, const std::wstring& data);

    void ReadUserinit(const std::wstring& keyPathText);
    void ReadShell(const std::wstring& keyPathText);

    const ListValueRecords& userinit() const { return userinit_; }
    const ListValueRecords& shell() const { return shell_; }

private:
    bool IsOneCommand(const std::wstring& data, ListSyntax syntax);
    void ReadWinlogonList(const wchar_t* listName, const std::wstring& keyPathText, ListValueRecords& list);
    ListValueRecords* RecordsFor(const std::wstring& valueName);

    ListValueRecords userinit_;
    ListValueRecords shell_;
    // Windows' startup switches of the Run key being read.
    StartupApprovals approvals_;
};

}  // namespace tarn
