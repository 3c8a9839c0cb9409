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
        // The switches are read once for the key and its store.
        StartupApprovals approvals;
        ReadKeyThenStore(row.root, row.rootName, row.path, [&](RegKey& key, const ReadContext& at) {
            switch (row.handling) {
                case Handling::Userinit:
                    ReadWinlogonList(key, kUserinitValue, at, userinit_);
                    break;
                case Handling::Shell:
                    ReadWinlogonList(key, kShellValue, at, shell_);
                    break;
                case Handling::RunValues:
                    // The 32-bit machine Run values have a list of their own.
                    if (at.pass == 0) {
                        approvals = row.approved ? StartupApprovals(row.root, row.rootName,
                                                                    at.view == RegistryView::Wow32 ? kApprovalRun32List
                                                                                                   : kApprovalRunList)
                                                 : StartupApprovals();
                    }
                    ReadRunValues(key, at, approvals);
                    break;
            }
        });
    }
    return 0;
}

// Whether a list text resolves as one command while its pieces do not all resolve.
bool CTarnAutoRunLogon::IsOneCommand(const std::wstring& data, ListSyntax syntax, RegistryView view) {
    const auto items = SplitListText(data, syntax);
    if (!items || !Resolves(data, view)) {
        return false;
    }
    for (const std::wstring& item : *items) {
        if (!item.empty() && !Resolves(item, view)) {
            return true;
        }
    }
    return false;
}

void CTarnAutoRunLogon::ReadRunValues(RegKey& key, const ReadContext& at, const StartupApprovals& approvals) {
    ValuesOf(key, at.location, [&](const RegValue& value) {
        const std::wstring data = TextOf(value);
        AutoRunEntry entry = NewEntry(at);
        entry.name = value.name;
        entry.commandLine = data;
        entry.keyPath = at.location;
        entry.entryKind = KindValue;
        entry.locateKind = LocateValue;
        TakeApproval(entry, approvals, value.name);
        AddResolved(std::move(entry), data, at);
    });
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

bool CTarnAutoRunLogon::SplitListValue(const std::wstring& valueName, const std::wstring& data, const ReadContext& at) {
    ListValueRecords* list = RecordsFor(valueName);
    if (list == nullptr) {
        return false;
    }
    // A single Shell command whose path holds a space is one command, not a list: its pieces
    // would resolve to nothing and hide it.
    if (ListSyntaxFor(valueName) == ListSyntax::Shell && IsOneCommand(data, ListSyntax::Shell, at.view)) {
        return false;
    }
    return AppendListItems(list->items, valueName, data, at);
}

void CTarnAutoRunLogon::ReadWinlogonList(RegKey& key,
                                         const wchar_t* listName,
                                         const ReadContext& at,
                                         ListValueRecords& list) {
    const auto split = [&](const std::wstring& valueName, const std::wstring& data) {
        return SplitListValue(valueName, data, at);
    };
    ReadListValue(key, listName, at.liveKeyText, split, list.items, list.paths, at);
}

}  // namespace tarn
