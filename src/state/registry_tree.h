#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// One value exactly as stored: name, type code and bytes.
struct StoredValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// One key of a tree: its path relative to the tree's top key ("" for the top key itself), its
// values and the names of its subkeys.
struct StoredKey {
    std::wstring relativePath;
    std::vector<StoredValue> values;
    std::vector<std::wstring> subKeyNames;
};

// A key and everything below it, parents before their subkeys.
using StoredTree = std::vector<StoredKey>;

// Reads the key `path` below `root` with its whole subtree; nothing when any key or value cannot
// be read, or when a key's full path would not fit the 259-character limit. With `valuesToo`
// unset only the keys are read.
std::optional<StoredTree> ReadTree(HKEY root, const std::wstring& path, bool valuesToo = true);

// Creates the tree below `root` at `path` with every value; false at the first failure.
bool WriteTree(HKEY root, const std::wstring& path, const StoredTree& tree);

// Whether two trees hold the same keys (names compared without regard to case) and the same
// values with the same types and bytes.
bool SameTree(const StoredTree& a, const StoredTree& b);

// Deletes the tree's keys below `root` at `path`, every key after its subkeys and the top key
// last; false at the first key that cannot be deleted.
bool DeleteTreeKeys(HKEY root, const std::wstring& path, const StoredTree& tree);

// Reads the keys below `path` and deletes them all, `path` last; false when they cannot be read
// or one cannot be deleted.
bool DeleteWholeTree(HKEY root, const std::wstring& path);

// The full path of a key of a tree whose top key is at `path`.
std::wstring TreeKeyPath(const std::wstring& path, const StoredKey& key);

}  // namespace tarn
