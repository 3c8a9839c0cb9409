#pragma once

#include "base/list_value.h"
#include "model/autorun_base.h"

#include <map>
#include <string>

namespace tarn {

// "登录启动": what starts at logon: the Run keys and their relatives (RunOnce, RunOnceEx,
// RunServices), the Winlogon values and the items of "Userinit" and "Shell", the programs of
// `Windows NT\CurrentVersion\Windows`, logon scripts and safe mode's shell.
class CTarnAutoRunLogon : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;
    void ClearResults() override;

    // The items of the machine's "Userinit" and "Shell" values.
    const ListValueRecords& userinit() const { return userinit_; }
    const ListValueRecords& shell() const { return shell_; }

    // Splits a "Shell" or "Userinit" text into list items of the context's pass; false when the
    // value is to be taken whole.
    bool SplitListValue(const std::wstring& valueName, const std::wstring& data, const ReadContext& at = {});

    // The file a RunOnceEx value names: "file|function|arguments" loads the file; "||command"
    // runs the command; anything else is a command.
    static std::wstring RunOnceExCommand(const std::wstring& data);

    // A row of the category's search table.
    struct SearchRow;

private:
    void ReadRow(const SearchRow& row);
    // The values of a Run key, each with its switch in Windows' startup list `approvals`.
    void ReadRunValues(RegKey& key, const ReadContext& at, const StartupApprovals& approvals);
    // A value entry of the key read now, as the Run keys' values are.
    static AutoRunEntry RunValueEntry(const std::wstring& name, const std::wstring& data, const ReadContext& at);
    // The values of every subkey of RunOnceEx and of their "Depend" subkeys.
    void ReadRunOnceEx(const SearchRow& row, const std::wstring& path, RegistryView view);
    // One key entry per script below `…\Scripts\<kind>\<n>`.
    void ReadScripts(const SearchRow& row, const std::wstring& kind, const std::wstring& path, RegistryView view);
    void ReadScriptPolicy(const SearchRow& row,
                          const std::wstring& kind,
                          const std::wstring& policyPath,
                          RegistryView view);
    void AddScript(const std::wstring& name, const std::wstring& scriptFolder, const ReadContext& at);
    void ReadNamedValues(RegKey& key, const ReadContext& at, const SearchRow& row);
    bool IsOneCommand(const std::wstring& data, ListSyntax syntax, RegistryView view);
    bool SplitInto(ListValueRecords& list,
                   const std::wstring& valueName,
                   const std::wstring& data,
                   const ReadContext& at);
    void ReadList(RegKey& key, const wchar_t* listName, const ReadContext& at, ListValueRecords& list);
    ListValueRecords* RecordsFor(const std::wstring& valueName);

    ListValueRecords userinit_;
    ListValueRecords shell_;
    // The items of the other list values, by key text and value name.
    std::map<std::wstring, ListValueRecords> otherLists_;
};

}  // namespace tarn
