#pragma once

#include "model/registry_value.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// One key of a tree: its path relative to the tree's top key ("" for the top key itself), what
// makes it what it is, its values and the names of its subkeys. A link key keeps only its link
// value and is never followed.
struct StoredKey {
    std::wstring relativePath;
    KeyTraits traits;
    std::vector<RegValue> values;
    std::vector<std::wstring> subKeyNames;
};

// A key and everything below it, parents before their subkeys.
using StoredTree = std::vector<StoredKey>;

// How much of a tree is read: the key names only (to delete them); everything a copy must keep,
// including security and volatility (the source of a move); or what a fresh copy is compared by.
enum class TreeContent { KeysOnly, Whole, CopyCheck };

// Reads the key `path` below `root` with its whole subtree, links as links (told by the keys
// themselves, never by a value); nothing when any key, value or trait cannot be read, or when a
// key's full path would not fit the 259-character limit.
std::optional<StoredTree> ReadTree(HKEY root, const std::wstring& path, TreeContent content);

enum class TreeWrite { Written, TargetExists, Failed };

// Creates the tree as a new key `name` below the existing key `parentPath`, with classes,
// volatility, links and values (security comes later, see ApplyTreeSecurity). Never writes into
// a key that was there before: a key that exists already stops the write (TargetExists for the
// top key). `created` lists, in the order made, the relative paths of the keys this call created
// itself (the registry said so): the only keys a clean-up may remove again.
TreeWrite WriteTree(HKEY root,
                    const std::wstring& parentPath,
                    const std::wstring& name,
                    const StoredTree& tree,
                    std::vector<std::wstring>& created);

// Removes the keys a WriteTree below `path` created, subkeys first; a key that has gained a
// subkey of another's is left. True when every one went.
bool RemoveCreatedKeys(HKEY root, const std::wstring& path, const std::vector<std::wstring>& created);

// Gives every key of a written copy the security descriptor of its original. An owner this
// account may not give is given with the restore privilege where the process holds it; otherwise
// the copy fails: it never silently gets another owner.
bool ApplyTreeSecurity(HKEY root, const std::wstring& path, const StoredTree& tree);

// Whether a copy holds the same keys with the same names, classes, links and values (names,
// types and bytes exactly).
bool SameTree(const StoredTree& a, const StoredTree& b);

// Whether every key of the tree can be opened for deletion (as itself, never through a link):
// asked before anything of a tree is removed, so that a tree is never left half deleted by a key
// that refuses.
bool CanDeleteTree(HKEY root, const std::wstring& path, const StoredTree& tree);

// Deletes the tree's keys below `root` at `path`, every key after its subkeys and the top key
// last, links as links; false at the first key that cannot be deleted.
bool DeleteTreeKeys(HKEY root, const std::wstring& path, const StoredTree& tree);

// Reads the keys below `path` and, when every one of them may be deleted, deletes them all, `path`
// last; false (with nothing deleted) when they cannot be read or one refuses. A deletion that fails
// midway puts back what it removed and answers false.
bool DeleteWholeTree(HKEY root, const std::wstring& path);

// Writes the tree as the new key `name` below the existing key `to`, reads it back and compares
// it, and gives it its original's security: true only when the copy stands whole. `created` lists
// what the write made (for RemoveCreatedKeys).
bool CopyTree(HKEY root,
              const StoredTree& tree,
              const std::wstring& to,
              const std::wstring& name,
              std::vector<std::wstring>& created);

// Whether any key of the tree is a link: a link is not copied (the copy would point elsewhere or
// nowhere), though it can still be deleted.
bool HoldsLink(const StoredTree& tree);

// The full path of a key of a tree whose top key is at `path`.
std::wstring TreeKeyPath(const std::wstring& path, const StoredKey& key);

}  // namespace tarn
