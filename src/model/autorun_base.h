#pragma once

#include "base/key_text.h"
#include "base/registry_view.h"
#include "base/store_name.h"
#include "model/category_results.h"
#include "model/entry_files.h"
#include "model/reg_key.h"
#include "model/registry_walk.h"
#include "model/startup_approvals.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarn {

// Base of the category enumerators. Each enumerator owns its category's result list; it is
// used by one thread at a time (the scan), and the pages read the list only after the scan.
class CTarnAutoRunBase {
public:
    explicit CTarnAutoRunBase(EntryFiles& files);
    virtual ~CTarnAutoRunBase();
    CTarnAutoRunBase(const CTarnAutoRunBase&) = delete;
    CTarnAutoRunBase& operator=(const CTarnAutoRunBase&) = delete;

    // Lists the category's live registrations, then those in its disabled-entry stores.
    virtual int32_t Enumerate() = 0;
    // Lists the registrations under the key open in the registry accessor, then closes it.
    virtual int32_t EnumerateOpenKey() = 0;
    virtual int32_t IsAvailable() { return 1; }

    // Destroys every entry (and, where a category keeps them, its list items) before a rescan.
    virtual void ClearResults();

    CategoryResults& results() { return results_; }
    const CategoryResults& results() const { return results_; }

    // Also lists registrations whose command resolves to no file, with an empty image path.
    void KeepUnresolved(bool keep) { keepUnresolved_ = keep; }

protected:
    // Starts a new record as `current`.
    AutoRunEntry& NewEntry();
    // Resolves `text` into the current record's image path. A registration kept unresolved
    // (KeepUnresolved) also answers true, with no image path.
    bool ResolveCurrent(const std::wstring& text);
    // Resolves only: for a command that has another to fall back on.
    bool ResolveCurrentStrictly(const std::wstring& text);
    // Whether a command text loads an existing file, without touching the current record.
    bool Resolves(const std::wstring& text);
    // Completes the current record (state by pass, file facts, location) and appends it.
    void AddEntry(int32_t locationKind = LocationKey);
    // Gives the current record its switch in Windows' startup list `list`, under `name`.
    void TakeApproval(const StartupApprovals& list, const std::wstring& name);

    // Reads the key `path` below `root` (named `rootName` in texts), then its disabled-entry
    // store: `read(walkedPath)` runs with each open in the registry accessor, in pass 0 and then
    // pass 1, `locationText` naming the live key both times. A live key that does not open is
    // skipped with its store. A key Windows keeps once per view is read in each, the 32-bit one at
    // its own path, with `view()` telling which while it is read.
    template <typename Read>
    void ReadKeyThenStore(HKEY root, const wchar_t* rootName, const std::wstring& path, Read read) {
        ForEachView(root, path,
                    [&](const std::wstring& viewPath) { ReadOneKeyThenStore(root, rootName, viewPath, read); });
    }

    // Calls `visit(path)` with the key's path in each view that has its own copy, `view()` telling
    // which (HKEY_CURRENT_USER's keys are shared but for its classes).
    template <typename Visit>
    void ForEachView(HKEY root, const std::wstring& path, Visit visit) {
        visit(path);
        if (kTwoRegistryViews && root == HKEY_LOCAL_MACHINE) {
            if (const auto wow32 = Wow32PathOf(path)) {
                const ViewScope scope(*this, RegistryView::Wow32);
                visit(*wow32);
            }
        }
    }

    // The text of the live key ReadKeyThenStore reads now (also while it reads its store).
    const std::wstring& liveKeyText() const { return liveKeyText_; }

    // The view the registrations being read belong to; every new record takes it.
    RegistryView view() const { return view_; }
    // Sets the view for the life of the scope.
    class ViewScope {
    public:
        ViewScope(CTarnAutoRunBase& owner, RegistryView view) : owner_(owner), previous_(owner.view_) {
            owner_.view_ = view;
        }
        ~ViewScope() { owner_.view_ = previous_; }
        ViewScope(const ViewScope&) = delete;
        ViewScope& operator=(const ViewScope&) = delete;

    private:
        CTarnAutoRunBase& owner_;
        RegistryView previous_;
    };

    // The class key of a COM class as the current view's processes find it below HKEY_CLASSES_ROOT.
    std::wstring ClassKeyOfView(const std::wstring& clsid) const;

    // List values ("Userinit", "Shell", "AppInit_DLLs"). Splits `data` by the list's syntax into
    // items of the current pass appended to `items`; false when the value is to be taken whole.
    bool AppendListItems(std::vector<ListItem>& items, const std::wstring& valueName, const std::wstring& data);
    // Adds the items of the current pass as list-item entries (every item of the sequence is
    // visited in both passes) and records their image paths in `paths`.
    void AddListItemEntries(const std::wstring& keyPathText,
                            const std::wstring& valueName,
                            const std::wstring& data,
                            const std::vector<ListItem>& items,
                            std::vector<std::wstring>& paths);
    // Adds a list value that was not split as one value entry of its key.
    void AddWholeListValue(const std::wstring& keyPathText, const std::wstring& valueName, const std::wstring& data);
    // Lists the list value `listName` of the open key: its items of this pass when `split`
    // splits it, else the value whole. Closes the key.
    void ReadListValue(const wchar_t* listName,
                       const std::wstring& keyPathText,
                       const std::function<bool(const std::wstring& valueName, const std::wstring& data)>& split,
                       const std::vector<ListItem>& items,
                       std::vector<std::wstring>& paths);

    std::unique_ptr<RegKey> registry_;
    CategoryResults results_;

private:
    template <typename Read>
    void ReadOneKeyThenStore(HKEY root, const wchar_t* rootName, const std::wstring& path, Read& read) {
        results_.pass = 0;
        liveKeyText_ = JoinKeyText(rootName, path);
        const std::wstring live = liveKeyText_;
        results_.locationText = live;
        if (!registry_->OpenRead(root, path)) {
            return;
        }
        read(path);
        registry_->Close();
        const std::wstring store = JoinKeyText(path, kStoreName);
        if (!registry_->OpenRead(root, store)) {
            return;
        }
        results_.pass = 1;
        results_.locationText = live;
        read(store);
        registry_->Close();
    }

    EntryFiles& files_;
    bool keepUnresolved_ = false;
    RegistryView view_ = RegistryView::Native;
    std::wstring liveKeyText_;
};

}  // namespace tarn
