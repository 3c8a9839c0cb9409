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

// Reads the key `path` below `root` with its whole subtree, links as links; nothing when any key,
// value or trait cannot be read, or when a key's full path would not fit the 259-character limit.
std::optional<StoredTree> ReadTree(HKEY root, const std::wstring& path, TreeContent content);

enum class TreeWrite { Written, TargetExists, Failed };

// Creates the tree as a new key `name` below the existing key `parentPath`, with classes,
// volatility, links and values (security comes later, see ApplyTreeSecurity). Never writes into
// a key that was there before: TargetExists, with nothing changed. `createdTop` tells whether the
// top key was created, so that only a copy this call made is ever removed again.
TreeWrite WriteTree(HKEY root, const std::wstring& parentPath, const std::wstring& name, const StoredTree& tree,
                    bool& createdTop);

// Gives every key of a written copy the security descriptor of its original.
bool ApplyTreeSecurity(HKEY root, const std::wstring& path, const StoredTree& tree);

// Whether a copy holds the same keys with the same names, classes, links and values (names,
// types and bytes exactly).
bool SameTree(const StoredTree& a, const StoredTree& b);

// Deletes the tree's keys below `root` at `path`, every key after its subkeys and the top key
// last, links as links; false at the first key that cannot be deleted.
bool DeleteTreeKeys(HKEY root, const std::wstring& path, const StoredTree& tree);

// Reads the keys below `path` and deletes them all, `path` last; false when they cannot be read
// or one cannot be deleted.
bool DeleteWholeTree(HKEY root, const std::wstring& path);

// The full path of a key of a tree whose top key is at `path`.
std::wstring TreeKeyPath(const std::wstring& path, const StoredKey& key);

}  // namespace tarn
