#include "support/registry_sandbox.h"

#include "win/native_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>
#include <string>

namespace tarn::test {

std::wstring NativeNameOf(HKEY key);
extern std::vector<std::pair<std::wstring, std::wstring>> g_sandboxRoots;

namespace {

// Every sandbox has a key of its own directly below Software: a shared parent could be deleted
// by one test process while another creates its sandbox in it.
constexpr wchar_t kSandboxPrefix[] = L"Software\\TarnwellTest-";
constexpr wchar_t kUsersPrefix[] = L"TarnwellTestUsers\\";
constexpr wchar_t kLinkValue[] = L"SymbolicLinkValue";

HKEY CreateScratchKey(const std::wstring& path) {
    HKEY key = nullptr;
    const LONG status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, status) << "cannot create scratch key";
    return key;
}

// Deletes a key with everything below it; links go as links, their targets stay.
void DeleteLinkSafe(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    if (NativeOpenKey(parent, name.data(), static_cast<DWORD>(name.size()), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS,
                      &key) != ERROR_SUCCESS) {
        return;
    }
    const bool link = OpenedKeyIsLink(parent, false, name, key);
    std::vector<std::wstring> children;
    for (DWORD i = 0; !link; ++i) {
        wchar_t child[256] = {};
        DWORD count = 256;
        if (::RegEnumKeyExW(key, i, child, &count, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        children.emplace_back(child, count);
    }
    for (const std::wstring& child : children) {
        DeleteLinkSafe(key, child);
    }
    NativeDeleteKey(key);
    ::RegCloseKey(key);
}

// The counted calls need a real parent handle; a predefined root key has none of its own.
void DeleteScratch(const std::wstring& scratchPath) {
    const std::size_t slash = scratchPath.find(L'\\');
    HKEY parent = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, scratchPath.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS, &parent) ==
        ERROR_SUCCESS) {
        DeleteLinkSafe(parent, scratchPath.substr(slash + 1));
        ::RegCloseKey(parent);
    }
}

void Redirect(HKEY predefined, HKEY scratch) {
    EXPECT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(predefined, scratch));
}

}  // namespace

RegistrySandbox::RegistrySandbox(bool redirectClassesRoot) {
    static std::atomic<unsigned> counter{0};
    // Process ids come round again: the moment makes the name this sandbox's own.
    LARGE_INTEGER now = {};
    ::QueryPerformanceCounter(&now);
    scratchPath_ = std::wstring(kSandboxPrefix) + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++counter) + L"-" + std::to_wstring(now.QuadPart);
    if (KeyExists(HKEY_CURRENT_USER, scratchPath_)) {
        std::printf("registry sandbox: clearing what an earlier run left at %ls\n", scratchPath_.c_str());
        DeleteScratch(scratchPath_);
    }
    machine_ = CreateScratchKey(scratchPath_ + L"\\HKLM");
    user_ = CreateScratchKey(scratchPath_ + L"\\HKCU");
    if (redirectClassesRoot) {
        classes_ = CreateScratchKey(scratchPath_ + L"\\HKCR");
        Redirect(HKEY_CLASSES_ROOT, classes_);
    }
    // Other users' hives are loaded below the sandbox's own HKEY_USERS, never beside another
    // test program's. No key above it may be named "Software": Wine strips a loaded hive file's
    // paths down to the first name they share with a key above the one loaded into.
    usersPath_ = kUsersPrefix + scratchPath_.substr(scratchPath_.find(L'-') + 1);
    // Named as the root, as the other scratch keys are, so that native names end in dump paths.
    users_ = CreateScratchKey(usersPath_ + L"\\HKU");
    Redirect(HKEY_LOCAL_MACHINE, machine_);
    Redirect(HKEY_CURRENT_USER, user_);
    Redirect(HKEY_USERS, users_);
    g_sandboxRoots = {
        {NativeNameOf(machine_), L"HKLM"}, {NativeNameOf(user_), L"HKCU"}, {NativeNameOf(users_), L"HKU"}};
}

RegistrySandbox::~RegistrySandbox() {
    g_sandboxRoots.clear();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_USERS, nullptr);
    ::RegCloseKey(users_);
    DeleteScratch(usersPath_);
    if (classes_ != nullptr) {
        ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        ::RegCloseKey(classes_);
    }
    ::RegCloseKey(machine_);
    ::RegCloseKey(user_);
    DeleteScratch(scratchPath_);
}

void WriteValue(HKEY root,
                const std::wstring& path,
                const std::wstring& name,
                DWORD type,
                const void* data,
                DWORD byteCount) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), byteCount));
    ::RegCloseKey(key);
}

void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text, DWORD type) {
    WriteValue(root, path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    WriteValue(root, path, name, REG_DWORD, &value, sizeof value);
}

void CreateKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    ::RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool found = ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return found;
}

std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue raw;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, nullptr, &size) != ERROR_SUCCESS) {
        ::RegCloseKey(key);
        return std::nullopt;
    }
    raw.bytes.resize(size);
    if (size > 0) {
        ::RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, raw.bytes.data(), &size);
        raw.bytes.resize(size);
    }
    ::RegCloseKey(key);
    return raw;
}

namespace {

// Creates every key of a path; the components from the first one with a NUL inside on go through
// the counted call, one at a time.
HKEY CreateAll(HKEY root, const std::wstring& path) {
    const std::size_t nul = path.find(L'\0');
    const std::size_t cut = nul == std::wstring::npos ? path.size() : path.rfind(L'\\', nul);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.substr(0, cut).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
    std::size_t start = cut + 1;
    while (key != nullptr && start <= path.size() && cut != path.size()) {
        std::size_t end = path.find(L'\\', start);
        end = end == std::wstring::npos ? path.size() : end;
        HKEY next = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, NativeCreateKey(key, path.data() + start, static_cast<DWORD>(end - start), nullptr, 0,
                                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &next, nullptr));
        ::RegCloseKey(key);
        key = next;
        start = end + 1;
    }
    return key;
}

}  // namespace

void WriteNamedValue(HKEY root,
                     const std::wstring& path,
                     const std::wstring& name,
                     DWORD type,
                     const void* data,
                     DWORD byteCount) {
    const HKEY key = CreateAll(root, path);
    EXPECT_EQ(ERROR_SUCCESS, NativeSetValue(key, name.data(), static_cast<DWORD>(name.size()), type,
                                            static_cast<const BYTE*>(data), byteCount));
    ::RegCloseKey(key);
}

void WriteNamedString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    WriteNamedValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void CreateNamedKey(HKEY root,
                    const std::wstring& parentPath,
                    const std::wstring& name,
                    DWORD options,
                    const std::wstring& className) {
    const HKEY parent = CreateAll(root, parentPath);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              NativeCreateKey(parent, name.data(), static_cast<DWORD>(name.size()), className.data(),
                              static_cast<DWORD>(className.size()), options, KEY_ALL_ACCESS, &key, nullptr));
    ::RegCloseKey(key);
    ::RegCloseKey(parent);
}

bool OpenedKeyIsLink(HKEY parent, bool parentIsRoot, const std::wstring& name, HKEY asLink) {
    HKEY followed = nullptr;
    const LONG status =
        parentIsRoot ? ::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &followed)
                     : NativeOpenKey(parent, name.data(), static_cast<DWORD>(name.size()), 0, KEY_READ, &followed);
    if (status != ERROR_SUCCESS) {
        return true;  // the key opens as itself only: a link that leads nowhere, or round in a circle
    }
    const bool differ = ::CompareStringOrdinal(NativeNameOf(asLink).c_str(), -1, NativeNameOf(followed).c_str(), -1,
                                               TRUE) != CSTR_EQUAL;
    ::RegCloseKey(followed);
    return differ;
}

std::wstring NativeNameOf(HKEY key) {
    using QueryKey = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryKey>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    std::vector<BYTE> information(4096, 0);
    ULONG length = 0;
    if (query == nullptr || query(key, 3 /* name information */, information.data(),
                                  static_cast<ULONG>(information.size()), &length) != 0) {
        return {};
    }
    ULONG nameBytes = 0;
    std::memcpy(&nameBytes, information.data(), sizeof nameBytes);
    return std::wstring(reinterpret_cast<const wchar_t*>(information.data() + sizeof nameBytes),
                        nameBytes / sizeof(wchar_t));
}

// The native names of the active sandbox's two roots, with the root names they stand for.
std::vector<std::pair<std::wstring, std::wstring>> g_sandboxRoots;

std::wstring NativeKeyName(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot name the link target";
        return {};
    }
    const std::wstring name = NativeNameOf(key);
    ::RegCloseKey(key);
    EXPECT_FALSE(name.empty()) << "cannot name the link target";
    return name;
}

bool SandboxActive() {
    return !g_sandboxRoots.empty();
}

std::wstring SandboxRelativeName(const std::wstring& nativeName) {
    for (const auto& [native, root] : g_sandboxRoots) {
        if (!native.empty() && nativeName.size() >= native.size() &&
            ::CompareStringOrdinal(nativeName.c_str(), static_cast<int>(native.size()), native.c_str(),
                                   static_cast<int>(native.size()), TRUE) == CSTR_EQUAL) {
            return root + nativeName.substr(native.size());
        }
    }
    return nativeName;
}

void CreateLink(HKEY root,
                const std::wstring& parentPath,
                const std::wstring& name,
                HKEY targetRoot,
                const std::wstring& targetPath) {
    CreateLinkTo(root, parentPath, name, NativeKeyName(targetRoot, targetPath));
}

void CreateLinkTo(HKEY root, const std::wstring& parentPath, const std::wstring& name, const std::wstring& target) {
    HKEY link = nullptr;
    const std::wstring path = parentPath.empty() ? name : parentPath + L"\\" + name;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr,
                                               REG_OPTION_CREATE_LINK | REG_OPTION_NON_VOLATILE,
                                               KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegSetValueExW(link, kLinkValue, 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                               static_cast<DWORD>(target.size() * sizeof(wchar_t))));
    ::RegCloseKey(link);
}

}  // namespace tarn::test
