// A task of the scheduler's registry cache goes with its two keys, each kept whole in the cache's
// store first, outside the tree of folders the scheduler reads.
#include "state/registry_tree.h"
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "model/key_identity.h"

#include <algorithm>

namespace tarn {

namespace {

constexpr wchar_t kTaskCache[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache";
constexpr int kMaxKeptCopies = 100;
// A step that must not be left half done is tried again a few times.
constexpr int kAttempts = 3;

// A key read whole, and where its copy is to go.
struct KeptKey {
    std::wstring path;
    StoredTree tree;
    std::wstring keptParent;
    std::wstring keptName;
    std::vector<std::wstring> created;
};

// Reads the key and checks that it can be copied and deleted; nothing when it cannot.
std::optional<KeptKey> ReadToKeep(const std::wstring& path, const std::wstring& keptParent, const std::wstring& name) {
    auto tree = ReadTree(HKEY_LOCAL_MACHINE, path, TreeContent::Whole);
    if (!tree || HoldsLink(*tree) || !CanDeleteTree(HKEY_LOCAL_MACHINE, path, *tree)) {
        return std::nullopt;
    }
    return KeptKey{path, std::move(*tree), keptParent, name, {}};
}

// Makes every missing key from below `top` down to `path`, one at a time; `made` gains each key
// made here.
bool MakeKeys(const std::wstring& top, const std::wstring& path, std::vector<std::wstring>& made) {
    RegKey parent;
    if (!parent.OpenRead(HKEY_LOCAL_MACHINE, top)) {
        return false;
    }
    for (std::size_t start = top.size() + 1; start <= path.size();) {
        const std::size_t slash = std::min(path.find(L'\\', start), path.size());
        const std::wstring name = path.substr(start, slash - start);
        // Made below its parent's own handle, so that the key may refuse to be made.
        RegKey child;
        bool created = false;
        if (!child.Create(parent.handle(), name, &created)) {
            return false;
        }
        if (created) {
            made.push_back(path.substr(0, slash));
        }
        parent = std::move(child);
        start = slash + 1;
    }
    return true;
}

// Copies the key below its kept parent, under its name or the first free numbered one: an
// earlier copy is never written to.
bool Keep(KeptKey& key) {
    RegKey parent;
    if (!parent.OpenRead(HKEY_LOCAL_MACHINE, key.keptParent)) {
        return false;
    }
    for (int number = 1; number <= kMaxKeptCopies; ++number) {
        const std::wstring name = number == 1 ? key.keptName : key.keptName + L" (" + std::to_wstring(number) + L")";
        const auto taken = FindSubKey(parent, name);
        if (taken.failed()) {
            return false;
        }
        if (taken.found()) {
            continue;
        }
        key.keptName = name;
        return CopyTree(HKEY_LOCAL_MACHINE, key.tree, key.keptParent, name, key.created);
    }
    return false;
}

void Unkeep(const KeptKey& key) {
    RemoveCreatedKeys(HKEY_LOCAL_MACHINE, JoinKeyText(key.keptParent, key.keptName), key.created);
}

}  // namespace

int32_t CAutoRunStateChanges::DeleteCachedTask(const std::wstring& treeKeyText, const std::wstring& id) {
    const std::wstring treePrefix = L"HKLM\\" + std::wstring(kTaskCache) + L"\\Tree\\";
    if (treeKeyText.size() <= treePrefix.size() || !EqualsNoCaseAscii(treeKeyText.substr(0, treePrefix.size()), treePrefix) ||
        id.empty() || id.find(L'\\') != std::wstring::npos || IsStoreName(id)) {
        return 0;
    }
    const std::wstring relative = treeKeyText.substr(treePrefix.size());
    const std::size_t cut = relative.rfind(L'\\');
    const std::wstring name = cut == std::wstring::npos ? relative : relative.substr(cut + 1);
    const std::wstring folder = cut == std::wstring::npos ? L"" : L"\\" + relative.substr(0, cut);
    if (name.empty() || IsStoreName(name)) {
        return 0;
    }
    // The store must be a key of its own, never a link that would send the copies elsewhere.
    const std::wstring store = JoinKeyText(kTaskCache, kStoreName);
    const KeyIdentity storeIs = IdentifyKey(HKEY_LOCAL_MACHINE, store);
    if (storeIs != KeyIdentity::Plain && storeIs != KeyIdentity::Missing) {
        return 0;
    }
    auto tree = ReadToKeep(std::wstring(kTaskCache) + L"\\Tree\\" + relative, store + L"\\Tree" + folder, name);
    if (!tree) {
        return 0;
    }
    // A definition that is not there is nothing to keep; one that cannot be told stops the delete.
    const std::wstring definitionPath = std::wstring(kTaskCache) + L"\\Tasks\\" + id;
    const Presence hasDefinition = KeyPresence(HKEY_LOCAL_MACHINE, definitionPath);
    std::optional<KeptKey> definition;
    if (hasDefinition == Presence::Unknown ||
        (hasDefinition == Presence::Absent && !ConfirmedAbsent(HKEY_LOCAL_MACHINE, definitionPath))) {
        return 0;
    }
    if (hasDefinition == Presence::Present) {
        definition = ReadToKeep(definitionPath, store + L"\\Tasks", id);
        if (!definition) {
            return 0;
        }
    }
    // The store's keys are made one by one, so that each may refuse; those made here go again
    // when the delete does not happen.
    std::vector<std::wstring> madeKeys;
    const auto dropMadeKeys = [&] {
        for (auto it = madeKeys.rbegin(); it != madeKeys.rend(); ++it) {
            RegKey parent;
            if (parent.OpenRead(HKEY_LOCAL_MACHINE, it->substr(0, it->rfind(L'\\')))) {
                parent.DeleteSubKey(it->substr(it->rfind(L'\\') + 1));
            }
        }
        return 0;
    };
    if (!MakeKeys(std::wstring(kTaskCache), tree->keptParent, madeKeys) || !Keep(*tree)) {
        Unkeep(*tree);
        return dropMadeKeys();
    }
    if (definition && (!MakeKeys(std::wstring(kTaskCache), definition->keptParent, madeKeys) || !Keep(*definition))) {
        Unkeep(*definition);
        Unkeep(*tree);
        return dropMadeKeys();
    }
    const auto whole = [](const KeptKey& key) {
        const auto now = ReadTree(HKEY_LOCAL_MACHINE, key.path, TreeContent::CopyCheck);
        return now && SameTree(key.tree, *now);
    };
    // After a delete that did not happen, the copies go only when both keys still stand whole:
    // what went half-way stays kept.
    const auto unkeepBoth = [&] {
        if (whole(*tree) && (!definition || whole(*definition))) {
            if (definition) {
                Unkeep(*definition);
            }
            Unkeep(*tree);
            dropMadeKeys();
        }
        return 0;
    };
    // A delete that reports a failure may have been made all the same: the registry tells.
    const auto gone = [](const KeptKey& key) {
        return DeleteTreeKeys(HKEY_LOCAL_MACHINE, key.path, key.tree) || ConfirmedAbsent(HKEY_LOCAL_MACHINE, key.path);
    };
    // The task's place in the tree goes first: without it the scheduler knows no such task.
    if (!gone(*tree)) {
        return unkeepBoth();
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!definition || gone(*definition)) {
            return 1;
        }
    }
    // The definition stays: so does the task, as it was, and only then do the copies go.
    const std::wstring treeFolder = std::wstring(kTaskCache) + L"\\Tree" + folder;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::vector<std::wstring> restored;
        if (CopyTree(HKEY_LOCAL_MACHINE, tree->tree, treeFolder, name, restored)) {
            return unkeepBoth();
        }
        RemoveCreatedKeys(HKEY_LOCAL_MACHINE, tree->path, restored);
    }
    return 0;
}

}  // namespace tarn
