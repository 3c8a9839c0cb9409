#include "state/registry_tree.h"
#include "state/state_support.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "model/key_identity.h"
#include "win/native_registry.h"
#include "model/reg_key.h"
#include "win/privilege.h"

#include <algorithm>
#include <map>

namespace tarn {

namespace {

// Reads every value of an open key; false when one cannot be read.
bool ReadValues(RegKey& key, std::vector<RegValue>& values) {
    const DWORD count = key.ValueCount();
    if (key.status() != ERROR_SUCCESS) {
        return false;
    }
    for (DWORD i = 0; i < count; ++i) {
        RegValue value;
        if (!key.ValueAt(i, value)) {
            return false;
        }
        values.push_back(std::move(value));
    }
    return true;
}

bool ReadSubKeyNames(RegKey& key, std::vector<std::wstring>& names) {
    const DWORD count = key.SubKeyCount();
    if (key.status() != ERROR_SUCCESS) {
        return false;
    }
    for (DWORD i = 0; i < count; ++i) {
        names.push_back(key.SubKeyName(i));
        if (key.status() != ERROR_SUCCESS) {
            return false;
        }
    }
    return true;
}

std::optional<DWORD> ReadFlags(RegKey& key) {
    DWORD flags = 0;
    return key.ReadFlags(flags) ? std::optional<DWORD>(flags) : std::nullopt;
}

// Names the volatility probe may take below a key; one that is taken is another's and is left.
constexpr int kProbeNames = 8;

std::wstring ProbeName(int number) {
    return std::wstring(kStoreName) + L".probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(number);
}

// Whether a key is volatile. Where the platform does not report a key's flags, a non-volatile
// subkey is tried below it: the registry refuses one under a volatile key. Only a probe the
// registry says this call created is deleted again; nothing when the answer cannot be had.
std::optional<bool> ReadVolatility(HKEY root, const std::wstring& path, const std::optional<DWORD>& flags) {
    if (flags) {
        return (*flags & kKeyFlagVolatile) != 0;
    }
    for (int number = 1; number <= kProbeNames; ++number) {
        const std::wstring probeName = ProbeName(number);
        RegKey probe;
        if (!probe.CreateNew(root, path, probeName, KeyTraits{})) {
            if (probe.status() == ERROR_CHILD_MUST_BE_VOLATILE) {
                return true;
            }
            if (probe.status() == ERROR_ALREADY_EXISTS) {
                continue;
            }
            return std::nullopt;
        }
        probe.Close();
        for (int attempt = 0; attempt < 3; ++attempt) {
            RegKey parent;
            if (parent.OpenRead(root, path) && parent.DeleteSubKey(probeName)) {
                return false;
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool SameValues(const std::vector<RegValue>& a, const std::vector<RegValue>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::map<std::wstring, const RegValue*> byName;
    for (const RegValue& value : b) {
        byName[value.name] = &value;
    }
    for (const RegValue& value : a) {
        const auto match = byName.find(value.name);
        if (match == byName.end() || *match->second != value) {
            return false;
        }
    }
    return byName.size() == a.size();
}

std::wstring ParentOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring LeafOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring TreeKeyPath(const std::wstring& path, const StoredKey& key) {
    return key.relativePath.empty() ? path : JoinKeyText(path, key.relativePath);
}

std::optional<StoredTree> ReadTree(HKEY root, const std::wstring& path, TreeContent content) {
    StoredTree tree;
    // Each pending key with whether its parent is volatile (every subkey of one is).
    std::vector<std::pair<std::wstring, bool>> pending{{L"", false}};
    while (!pending.empty()) {
        StoredKey stored;
        stored.relativePath = pending.back().first;
        const bool parentVolatile = pending.back().second;
        pending.pop_back();
        const std::wstring full = TreeKeyPath(path, stored);
        if (full.size() > kMaxJoinedPathLength) {
            return std::nullopt;
        }
        RegKey key;
        if (!key.OpenLink(root, full, kKeyReadRights)) {
            return std::nullopt;
        }
        const auto flags = ReadFlags(key);
        const KeyIdentity identity = IdentifyOpenedKey(key, root, full);
        if (identity != KeyIdentity::Plain && identity != KeyIdentity::Link) {
            return std::nullopt;
        }
        stored.traits.isLink = identity == KeyIdentity::Link;
        if (content != TreeContent::KeysOnly && !ReadValues(key, stored.values)) {
            return std::nullopt;
        }
        if (!stored.traits.isLink) {
            if (content != TreeContent::KeysOnly && !key.ReadClassName(stored.traits.className)) {
                return std::nullopt;
            }
            if (content == TreeContent::Whole) {
                const auto isVolatile = parentVolatile ? std::optional<bool>(true) : ReadVolatility(root, full, flags);
                if (!isVolatile || !key.ReadSecurity(stored.traits.security)) {
                    return std::nullopt;
                }
                stored.traits.isVolatile = *isVolatile;
            }
            if (!ReadSubKeyNames(key, stored.subKeyNames)) {
                return std::nullopt;
            }
        }
        // Visited in reverse so that the tree lists subkeys in the registry's order.
        for (auto it = stored.subKeyNames.rbegin(); it != stored.subKeyNames.rend(); ++it) {
            pending.emplace_back(stored.relativePath.empty() ? *it : JoinKeyText(stored.relativePath, *it),
                                 stored.traits.isVolatile);
        }
        tree.push_back(std::move(stored));
    }
    return tree;
}

TreeWrite WriteTree(HKEY root,
                    const std::wstring& parentPath,
                    const std::wstring& name,
                    const StoredTree& tree,
                    std::vector<std::wstring>& created) {
    created.clear();
    const std::wstring target = JoinKeyText(parentPath, name);
    for (const StoredKey& stored : tree) {
        const bool top = stored.relativePath.empty();
        RegKey key;
        const bool made = top ? key.CreateNew(root, parentPath, name, stored.traits)
                              : key.CreateNew(root, ParentOf(TreeKeyPath(target, stored)), LeafOf(stored.relativePath),
                                              stored.traits);
        if (!made) {
            return top && key.status() == ERROR_ALREADY_EXISTS ? TreeWrite::TargetExists : TreeWrite::Failed;
        }
        created.push_back(stored.relativePath);
        for (const RegValue& value : stored.values) {
            if (!key.SetValue(value.name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()))) {
                return TreeWrite::Failed;
            }
        }
    }
    return TreeWrite::Written;
}

bool RemoveCreatedKeys(HKEY root, const std::wstring& path, const std::vector<std::wstring>& created) {
    bool all = true;
    for (auto it = created.rbegin(); it != created.rend(); ++it) {
        const std::wstring full = it->empty() ? path : JoinKeyText(path, *it);
        RegKey parent;
        if (!parent.OpenRead(root, ParentOf(full)) || !parent.DeleteSubKey(LeafOf(full))) {
            all = false;
        }
    }
    return all;
}

bool ApplyTreeSecurity(HKEY root, const std::wstring& path, const StoredTree& tree) {
    constexpr SECURITY_INFORMATION kWhole =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        if (it->traits.security.empty()) {
            continue;
        }
        const std::wstring full = TreeKeyPath(path, *it);
        RegKey key;
        if (!key.OpenLink(root, full, WRITE_DAC | WRITE_OWNER)) {
            return false;
        }
        if (key.WriteSecurity(it->traits.security, kWhole)) {
            continue;
        }
        // Another account's owner may be given only with the restore privilege.
        if (key.status() != ERROR_INVALID_OWNER) {
            return false;
        }
        const ScopedPrivilege restore(SE_RESTORE_NAME);
        if (!restore.enabled() || !key.WriteSecurity(it->traits.security, kWhole)) {
            return false;
        }
    }
    return true;
}

bool SameTree(const StoredTree& a, const StoredTree& b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::map<std::wstring, const StoredKey*> keysOfB;
    for (const StoredKey& key : b) {
        keysOfB[key.relativePath] = &key;
    }
    for (const StoredKey& key : a) {
        const auto match = keysOfB.find(key.relativePath);
        if (match == keysOfB.end() || match->second->traits.className != key.traits.className ||
            match->second->traits.isLink != key.traits.isLink || !SameValues(key.values, match->second->values)) {
            return false;
        }
    }
    return keysOfB.size() == a.size();
}

bool CanDeleteTree(HKEY root, const std::wstring& path, const StoredTree& tree) {
    for (const StoredKey& stored : tree) {
        RegKey key;
        if (!key.OpenLink(root, TreeKeyPath(path, stored), DELETE)) {
            return false;
        }
    }
    return true;
}

bool DeleteTreeKeys(HKEY root, const std::wstring& path, const StoredTree& tree) {
    // Parents come before their subkeys in the tree, so the reverse order deletes every key
    // after all of its subkeys and the top key last.
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        const std::wstring full = TreeKeyPath(path, *it);
        RegKey parent;
        if (!parent.OpenRead(root, ParentOf(full)) || !parent.DeleteSubKey(LeafOf(full))) {
            return false;
        }
    }
    return true;
}

namespace {

constexpr int kRestoreAttempts = 3;

bool IsBelow(const std::wstring& relativePath, const std::wstring& top) {
    return relativePath == top || (top.empty() ? !relativePath.empty() : relativePath.rfind(top + L"\\", 0) == 0);
}

// The keys of `tree` at and below the key `top` (by relative path), as a tree of their own.
StoredTree SubTree(const StoredTree& tree, std::size_t first, const std::wstring& top) {
    StoredTree subtree;
    for (std::size_t k = first; k < tree.size(); ++k) {
        if (IsBelow(tree[k].relativePath, top)) {
            StoredKey key = tree[k];
            key.relativePath = key.relativePath == top ? std::wstring() : key.relativePath.substr(top.size() + 1);
            subtree.push_back(std::move(key));
        }
    }
    return subtree;
}

// Puts back, as new keys with their values and security, the keys of the tree a deletion removed:
// every key from `first` on (each key's subkeys come after it, so those are whole subtrees). Each
// subtree is tried again a few times, as nothing else holds it.
bool RestoreDeletedKeys(HKEY root, const std::wstring& path, const StoredTree& tree, std::size_t first) {
    bool all = true;
    for (std::size_t k = first; k < tree.size(); ++k) {
        const std::wstring& relative = tree[k].relativePath;
        const std::wstring parent =
            relative.find(L'\\') == std::wstring::npos ? std::wstring() : relative.substr(0, relative.rfind(L'\\'));
        const bool parentStayed = std::any_of(tree.begin(), tree.begin() + static_cast<std::ptrdiff_t>(first),
                                              [&](const StoredKey& key) { return key.relativePath == parent; });
        if (!parentStayed) {
            continue;  // put back with its parent
        }
        const StoredTree subtree = SubTree(tree, k, relative);
        const std::wstring full = TreeKeyPath(path, tree[k]);
        bool restored = false;
        for (int attempt = 0; attempt < kRestoreAttempts && !restored; ++attempt) {
            std::vector<std::wstring> created;
            restored = WriteTree(root, ParentOf(full), LeafOf(full), subtree, created) == TreeWrite::Written &&
                       ApplyTreeSecurity(root, full, subtree);
            if (!restored) {
                RemoveCreatedKeys(root, full, created);
            }
        }
        all = all && restored;
    }
    return all;
}

}  // namespace

bool DeleteWholeTree(HKEY root, const std::wstring& path) {
    // Read whole, so that what a deletion that fails midway has removed can be put back.
    const auto tree = ReadTree(root, path, TreeContent::Whole);
    if (!tree || !CanDeleteTree(root, path, *tree)) {
        return false;
    }
    for (std::size_t k = tree->size(); k-- > 0;) {
        const std::wstring full = TreeKeyPath(path, (*tree)[k]);
        RegKey parent;
        if (parent.OpenRead(root, ParentOf(full)) && parent.DeleteSubKey(LeafOf(full))) {
            continue;
        }
        // A delete that reports a failure may have been made all the same: the registry tells.
        if (ConfirmedAbsent(root, full)) {
            continue;
        }
        RestoreDeletedKeys(root, path, *tree, k + 1);
        return false;
    }
    return true;
}

bool CopyTree(HKEY root,
              const StoredTree& tree,
              const std::wstring& to,
              const std::wstring& name,
              std::vector<std::wstring>& created) {
    const auto target = JoinKeyPath(to, name);
    if (!target || WriteTree(root, to, name, tree, created) != TreeWrite::Written) {
        return false;
    }
    const auto copy = ReadTree(root, *target, TreeContent::CopyCheck);
    return copy && SameTree(tree, *copy) && ApplyTreeSecurity(root, *target, tree);
}

bool HoldsLink(const StoredTree& tree) {
    return std::any_of(tree.begin(), tree.end(), [](const StoredKey& key) { return key.traits.isLink; });
}

}  // namespace tarn
