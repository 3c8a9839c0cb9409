#include "state/registry_tree.h"

#include "model/key_text.h"
#include "model/reg_key.h"

#include <algorithm>
#include <map>

namespace tarn {

namespace {

// Reads every value of an open key; false when one cannot be read.
bool ReadValues(RegKey& key, std::vector<StoredValue>& values) {
    const DWORD count = key.ValueCount();
    if (key.status() != ERROR_SUCCESS) {
        return false;
    }
    for (DWORD i = 0; i < count; ++i) {
        StoredValue value;
        value.name = key.ValueName(i);
        if (key.status() != ERROR_SUCCESS) {
            return false;
        }
        std::vector<BYTE> buffer(16000, 0);
        DWORD byteCount = 0;
        if (!key.QueryValue(value.name, buffer, value.type, byteCount)) {
            return false;
        }
        buffer.resize(byteCount);
        value.bytes = std::move(buffer);
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

bool SameValues(std::vector<StoredValue> a, std::vector<StoredValue> b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto byName = [](const StoredValue& x, const StoredValue& y) { return LowerAscii(x.name) < LowerAscii(y.name); };
    std::sort(a.begin(), a.end(), byName);
    std::sort(b.begin(), b.end(), byName);
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!SameRegistryName(a[i].name, b[i].name) || a[i].type != b[i].type || a[i].bytes != b[i].bytes) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::wstring TreeKeyPath(const std::wstring& path, const StoredKey& key) {
    return key.relativePath.empty() ? path : JoinKeyText(path, key.relativePath);
}

std::optional<StoredTree> ReadTree(HKEY root, const std::wstring& path, bool valuesToo) {
    StoredTree tree;
    std::vector<std::wstring> pending{L""};
    while (!pending.empty()) {
        StoredKey stored;
        stored.relativePath = pending.back();
        pending.pop_back();
        const std::wstring full = TreeKeyPath(path, stored);
        if (full.size() > kMaxJoinedPathLength) {
            return std::nullopt;
        }
        RegKey key;
        if (!key.OpenRead(root, full)) {
            return std::nullopt;
        }
        if ((valuesToo && !ReadValues(key, stored.values)) || !ReadSubKeyNames(key, stored.subKeyNames)) {
            return std::nullopt;
        }
        // Visited in reverse so that the tree lists subkeys in the registry's order.
        for (auto it = stored.subKeyNames.rbegin(); it != stored.subKeyNames.rend(); ++it) {
            pending.push_back(stored.relativePath.empty() ? *it : JoinKeyText(stored.relativePath, *it));
        }
        tree.push_back(std::move(stored));
    }
    return tree;
}

bool WriteTree(HKEY root, const std::wstring& path, const StoredTree& tree) {
    for (const StoredKey& stored : tree) {
        RegKey key;
        if (!key.Create(root, TreeKeyPath(path, stored))) {
            return false;
        }
        for (const StoredValue& value : stored.values) {
            if (!key.SetValue(value.name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()))) {
                return false;
            }
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
        keysOfB[LowerAscii(key.relativePath)] = &key;
    }
    for (const StoredKey& key : a) {
        const auto match = keysOfB.find(LowerAscii(key.relativePath));
        if (match == keysOfB.end() || !SameValues(key.values, match->second->values)) {
            return false;
        }
    }
    return keysOfB.size() == a.size();
}

bool DeleteTreeKeys(HKEY root, const std::wstring& path, const StoredTree& tree) {
    // Parents come before their subkeys in the tree, so the reverse order deletes every key
    // after all of its subkeys and the top key last.
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        const std::wstring full = TreeKeyPath(path, *it);
        const std::size_t slash = full.rfind(L'\\');
        RegKey parent;
        const std::wstring parentPath = slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
        const std::wstring name = slash == std::wstring::npos ? full : full.substr(slash + 1);
        if (!parent.OpenWrite(root, parentPath) || !parent.DeleteSubKey(name)) {
            return false;
        }
    }
    return true;
}

bool DeleteWholeTree(HKEY root, const std::wstring& path) {
    const auto tree = ReadTree(root, path, false);
    return tree && DeleteTreeKeys(root, path, *tree);
}

}  // namespace tarn
