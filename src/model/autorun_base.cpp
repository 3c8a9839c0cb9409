#include "model/autorun_base.h"

#include "base/key_text.h"
#include "base/list_value.h"

namespace tarn {

CTarnAutoRunBase::CTarnAutoRunBase(EntryFiles& files) : registry_(std::make_unique<RegKey>()), files_(files) {}

CTarnAutoRunBase::~CTarnAutoRunBase() = default;

void CTarnAutoRunBase::ClearResults() {
    results_.entries.clear();
    results_.current.reset();
    results_.unreadable.clear();
}

AutoRunEntry& CTarnAutoRunBase::NewEntry() {
    results_.current = std::make_unique<AutoRunEntry>();
    results_.current->view = static_cast<int32_t>(view_);
    return *results_.current;
}

std::wstring CTarnAutoRunBase::ClassKeyOfView(const std::wstring& clsid) const {
    return view_ == RegistryView::Wow32 ? JoinKeyText(L"Wow6432Node", ClassKeyPath(clsid)) : ClassKeyPath(clsid);
}

bool CTarnAutoRunBase::ResolveCurrentStrictly(const std::wstring& text) {
    if (results_.current == nullptr) {
        return false;
    }
    auto image = files_.ImageOf(text, view_);
    if (!image) {
        return false;
    }
    results_.current->imagePath = std::move(*image);
    return true;
}

bool CTarnAutoRunBase::Resolves(const std::wstring& text) {
    return files_.ImageOf(text, view_).has_value();
}

bool CTarnAutoRunBase::ResolveCurrent(const std::wstring& text) {
    if (ResolveCurrentStrictly(text)) {
        return true;
    }
    if (!keepUnresolved_ || results_.current == nullptr) {
        return false;
    }
    // Its file is gone or was never there: listed so that it can be found and cleaned up.
    results_.current->imagePath.clear();
    if (results_.current->commandLine.empty()) {
        results_.current->commandLine = text;
    }
    return true;
}

void CTarnAutoRunBase::TakeApproval(const StartupApprovals& list, const std::wstring& name) {
    if (results_.current == nullptr || list.keyText().empty()) {
        return;
    }
    const StartupApproval approval = list.Of(name);
    results_.current->approvalKey = list.keyText();
    results_.current->offByWindows = approval.off;
    results_.current->offByWindowsAt = approval.switchedAt;
}

void CTarnAutoRunBase::AddEntry(int32_t locationKind) {
    if (results_.current == nullptr) {
        return;
    }
    AutoRunEntry& entry = *results_.current;
    entry.state = results_.pass == 1 ? EntryDisabled : EntryEnabled;
    entry.inStore = results_.pass == 1;
    if (entry.offByWindows && results_.pass == 0) {
        entry.state = EntryOffByWindows;
    }
    files_.FillFacts(entry);
    entry.location = results_.locationText;
    entry.locationKind = locationKind;
    results_.entries.push_back(std::move(results_.current));
}

}  // namespace tarn

namespace tarn {

bool CTarnAutoRunBase::AppendListItems(std::vector<ListItem>& items,
                                       const std::wstring& valueName,
                                       const std::wstring& data) {
    const auto syntax = ListSyntaxFor(valueName);
    const auto texts = syntax ? SplitListText(data, *syntax) : std::nullopt;
    if (!texts) {
        return false;
    }
    const int32_t state = results_.pass == 1 ? EntryDisabled : EntryEnabled;
    for (std::size_t k = 0; k < texts->size(); ++k) {
        items.push_back({static_cast<int32_t>(k), valueName, (*texts)[k], state, static_cast<int32_t>(view_)});
    }
    return true;
}

void CTarnAutoRunBase::AddListItemEntries(const std::wstring& keyPathText,
                                          const std::wstring& valueName,
                                          const std::wstring& data,
                                          const std::vector<ListItem>& items,
                                          std::vector<std::wstring>& paths) {
    results_.locationText = JoinKeyText(keyPathText, valueName);
    const int32_t wanted = results_.pass == 1 ? EntryDisabled : EntryEnabled;
    for (const ListItem& item : items) {
        if (!SameRegistryName(item.valueName, valueName) || item.state != wanted ||
            item.view != static_cast<int32_t>(view_)) {
            continue;
        }
        AutoRunEntry& entry = NewEntry();
        entry.name = valueName;
        entry.valueName = valueName;
        entry.keyPath = keyPathText;
        entry.commandLine = data;
        entry.entryKind = KindListItem;
        entry.locateKind = LocateValue;
        if (ResolveCurrent(item.text)) {
            paths.push_back(entry.imagePath);
            AddEntry();
        }
    }
}

void CTarnAutoRunBase::ReadListValue(
    const wchar_t* listName,
    const std::wstring& keyPathText,
    const std::function<bool(const std::wstring& valueName, const std::wstring& data)>& split,
    const std::vector<ListItem>& items,
    std::vector<std::wstring>& paths) {
    const auto value = FindValue(*registry_, listName);
    if (value.found()) {
        const std::wstring data = TextOf(value.item);
        if (split(value.item.name, data)) {
            AddListItemEntries(keyPathText, value.item.name, data, items, paths);
        } else {
            AddWholeListValue(keyPathText, value.item.name, data);
        }
    }
    registry_->Close();
}

void CTarnAutoRunBase::AddWholeListValue(const std::wstring& keyPathText,
                                         const std::wstring& valueName,
                                         const std::wstring& data) {
    results_.locationText = keyPathText;
    AutoRunEntry& entry = NewEntry();
    entry.name = valueName;
    entry.keyPath = keyPathText;
    entry.valueName = valueName;
    entry.commandLine = data;
    entry.entryKind = KindValue;
    entry.locateKind = LocateValue;
    if (ResolveCurrent(data)) {
        AddEntry();
    }
}

}  // namespace tarn
