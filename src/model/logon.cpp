#include "model/logon.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/startup_approval.h"
#include "base/system_keys.h"

namespace tarn {

namespace {

constexpr wchar_t kPoliciesRunPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";

enum class Handling { Userinit, Shell, RunValues };

struct SearchRow {
    HKEY root;
    const wchar_t* rootName;
    const wchar_t* path;
    Handling handling;
    // Whether Windows' startup switch governs the key's values (the policy keys it does not).
    bool approved = false;
};

const SearchRow kSearchTable[] = {
    {HKEY_LOCAL_MACHINE, L"HKLM", kWinlogonPath, Handling::Userinit},
    {HKEY_LOCAL_MACHINE, L"HKLM", kWinlogonPath, Handling::Shell},
    {HKEY_LOCAL_MACHINE, L"HKLM", kRunPath, Handling::RunValues, true},
    {HKEY_CURRENT_USER, L"HKCU", kRunPath, Handling::RunValues, true},
    {HKEY_CURRENT_USER, L"HKCU", kPoliciesRunPath, Handling::RunValues},
    {HKEY_LOCAL_MACHINE, L"HKLM", kPoliciesRunPath, Handling::RunValues},
};

}  // namespace

int32_t CTarnAutoRunLogon::Enumerate() {
    for (const SearchRow& row : kSearchTable) {
        ReadKeyThenStore(row.root, row.rootName, row.path, [&](const std::wstring&) {
            const std::wstring live = liveKeyText();
            // Read once for the key and its store; the 32-bit machine Run values have a list of
            // their own.
            if (results_.pass == 0) {
                approvals_ = row.approved ? StartupApprovals(
                                                row.root, row.rootName,
                                                view() == RegistryView::Wow32 ? kApprovalRun32List : kApprovalRunList)
                                          : StartupApprovals();
            }
            switch (row.handling) {
                case Handling::Userinit:
                    ReadUserinit(live);
                    break;
                case Handling::Shell:
                    ReadShell(live);
                    break;
                case Handling::RunValues:
                    EnumerateOpenKey();
                    break;
            }
        });
    }
    return 0;
}

// Whether a list text resolves as one command while its pieces do not all resolve.
bool CTarnAutoRunLogon::IsOneCommand(const std::wstring& data, ListSyntax syntax) {
    const auto items = SplitListText(data, syntax);
    if (!items || !Resolves(data)) {
        return false;
    }
    for (const std::wstring& item : *items) {
        if (!item.empty() && !Resolves(item)) {
            return true;
        }
    }
    return false;
}

int32_t CTarnAutoRunLogon::EnumerateOpenKey() {
    ForEachValue(*registry_, [&](const RegValue& value) {
        const std::wstring data = TextOf(value);
        AutoRunEntry& entry = NewEntry();
        entry.name = value.name;
        entry.commandLine = data;
        entry.keyPath = results_.locationText;
        entry.entryKind = KindValue;
        entry.locateKind = LocateValue;
        TakeApproval(approvals_, value.name);
        if (ResolveCurrent(data)) {
            AddEntry();
        }
    });
    registry_->Close();
    return 0;
}

void CTarnAutoRunLogon::ClearResults() {
    CTarnAutoRunBase::ClearResults();
    userinit_ = ListValueRecords{};
    shell_ = ListValueRecords{};
}

ListValueRecords* CTarnAutoRunLogon::RecordsFor(const std::wstring& valueName) {
    if (EqualsNoCaseAscii(valueName, kUserinitValue)) {
        return &userinit_;
    }
    if (EqualsNoCaseAscii(valueName, kShellValue)) {
        return &shell_;
    }
    return nullptr;
}

bool CTarnAutoRunLogon::SplitListValue(const std::wstring& valueName, const std::wstring& data) {
    ListValueRecords* list = RecordsFor(valueName);
    if (list == nullptr) {
        return false;
    }
    // A single Shell command whose path holds a space is one command, not a list: its pieces
    // would resolve to nothing and hide it.
    if (ListSyntaxFor(valueName) == ListSyntax::Shell && IsOneCommand(data, ListSyntax::Shell)) {
        return false;
    }
    return AppendListItems(list->items, valueName, data);
}

void CTarnAutoRunLogon::ReadUserinit(const std::wstring& keyPathText) {
    ReadWinlogonList(kUserinitValue, keyPathText, userinit_);
}

void CTarnAutoRunLogon::ReadShell(const std::wstring& keyPathText) {
    ReadWinlogonList(kShellValue, keyPathText, shell_);
}

void CTarnAutoRunLogon::ReadWinlogonList(const wchar_t* listName,
                                         const std::wstring& keyPathText,
                                         ListValueRecords& list) {
    const auto split = [this](const std::wstring& valueName, const std::wstring& data) {
        return SplitListValue(valueName, data);
    };
    ReadListValue(listName, keyPathText, split, list.items, list.paths);
}

}  // namespace tarn
