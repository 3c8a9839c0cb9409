#include "model/reg_key.h"

#include "base/key_text.h"
#include "base/registry_data.h"
#include "win/registry_api.h"

#include <algorithm>
#include <utility>

namespace tarn {

namespace {

// A value may change size between two reads; give up after this many.
constexpr int kMaxReadAttempts = 16;
constexpr DWORD kTypedReadStartBytes = 16383;
constexpr DWORD kTypedReadSlackBytes = 4096;
constexpr std::size_t kQueryFirstStepBytes = 12288;
constexpr std::size_t kQueryLaterStepBytes = 4096;
constexpr DWORD kDefaultQueryBytes = 16000;

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

DWORD CountOf(const std::wstring& text) {
    return static_cast<DWORD>(text.size());
}

// Splits a path before the component that holds its first NUL: the head goes through the Win32
// calls (which also map the predefined root keys), the tail through the counted ones.
struct SplitPath {
    std::wstring head;
    std::wstring tail;
};

SplitPath SplitAtNul(const std::wstring& path) {
    const std::size_t nul = path.find(L'\0');
    const std::size_t slash = path.rfind(L'\\', nul);
    if (slash == std::wstring::npos) {
        return {std::wstring(), path};
    }
    return {path.substr(0, slash), path.substr(slash + 1)};
}

LONG OpenPath(HKEY parent, const std::wstring& path, DWORD options, REGSAM rights, HKEY* result) {
    if (!HasNul(path)) {
        return Registry().openKeyEx(parent, path.c_str(), options, rights, result);
    }
    const SplitPath split = SplitAtNul(path);
    // The counted call needs a real key handle: a predefined root key has none of its own, so a
    // name with a NUL directly below one can be reached only from a key opened below it.
    if (split.head.empty()) {
        return Registry().openKeyCounted(parent, split.tail.data(), CountOf(split.tail), options, rights, result);
    }
    unique_hkey base;
    const LONG error = Registry().openKeyEx(parent, split.head.c_str(), 0, kKeyReadRights, base.put());
    if (error != ERROR_SUCCESS) {
        return error;
    }
    return Registry().openKeyCounted(base.get(), split.tail.data(), CountOf(split.tail), options, rights, result);
}

LONG CreatePath(HKEY parent, const std::wstring& path, HKEY* result, DWORD* disposition) {
    if (!HasNul(path)) {
        return Registry().createKeyEx(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyWriteRights,
                                      nullptr, result, disposition);
    }
    const SplitPath split = SplitAtNul(path);
    unique_hkey base;
    LONG error = Registry().createKeyEx(parent, split.head.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        kKeyWriteRights, nullptr, base.put(), nullptr);
    // The counted call creates one key at a time.
    std::size_t start = 0;
    while (error == ERROR_SUCCESS && start <= split.tail.size()) {
        std::size_t end = split.tail.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = split.tail.size();
        }
        unique_hkey next;
        error =
            Registry().createKeyCounted(base.get(), split.tail.data() + start, static_cast<DWORD>(end - start), nullptr,
                                        0, REG_OPTION_NON_VOLATILE, kKeyWriteRights, next.put(), disposition);
        base = std::move(next);
        start = end + 1;
    }
    if (error == ERROR_SUCCESS) {
        *result = base.release();
    }
    return error;
}

}  // namespace

RegKey::~RegKey() {
    Close();
}

RegKey::RegKey(RegKey&& other) noexcept = default;

RegKey& RegKey::operator=(RegKey&& other) noexcept = default;

void RegKey::Adopt(HKEY opened) {
    handle_.reset(opened);
}

bool RegKey::Open(HKEY parent, const std::wstring& path, REGSAM rights, DWORD options) {
    HKEY opened = nullptr;
    status_ = OpenPath(parent, path, options, rights, &opened);
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    Adopt(opened);
    return true;
}

bool RegKey::OpenRead(HKEY parent, const std::wstring& path) {
    return Open(parent, path, kKeyReadRights, 0);
}

bool RegKey::OpenWrite(HKEY parent, const std::wstring& path) {
    return Open(parent, path, kKeyWriteRights, 0);
}

bool RegKey::OpenLink(HKEY parent, const std::wstring& path, REGSAM rights) {
    return Open(parent, path, rights, REG_OPTION_OPEN_LINK);
}

bool RegKey::Create(HKEY parent, const std::wstring& path, bool* created) {
    HKEY opened = nullptr;
    DWORD disposition = 0;
    status_ = CreatePath(parent, path, &opened, &disposition);
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    Adopt(opened);
    if (created != nullptr) {
        *created = disposition == REG_CREATED_NEW_KEY;
    }
    return true;
}

bool RegKey::CreateNew(HKEY root, const std::wstring& parentPath, const std::wstring& name, const KeyTraits& traits) {
    unique_hkey parent;
    status_ = OpenPath(root, parentPath, 0, kKeyWriteRights, parent.put());
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    const DWORD options = (traits.isVolatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE) |
                          (traits.isLink ? REG_OPTION_CREATE_LINK : 0);
    const REGSAM rights = kKeyWriteRights | DELETE | (traits.isLink ? KEY_CREATE_LINK : 0);
    // A name taken by a link that leads nowhere would make the key the link points at: the new
    // key must be named as a child of this parent.
    std::wstring parentName;
    status_ = QueryName(parent.get(), parentName);
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    unique_hkey created;
    DWORD disposition = 0;
    if (HasNul(name) || HasNul(traits.className)) {
        status_ = Registry().createKeyCounted(parent.get(), name.data(), CountOf(name), traits.className.data(),
                                              CountOf(traits.className), options, rights, created.put(), &disposition);
    } else {
        std::wstring className = traits.className;
        status_ = Registry().createKeyEx(parent.get(), name.c_str(), 0, className.empty() ? nullptr : &className[0],
                                         options, rights, nullptr, created.put(), &disposition);
    }
    parent.reset();
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    if (disposition != REG_CREATED_NEW_KEY) {
        status_ = ERROR_ALREADY_EXISTS;
        return false;
    }
    std::wstring createdName;
    status_ = QueryName(created.get(), createdName);
    if (status_ == ERROR_SUCCESS && !SameRegistryName(createdName, parentName + L"\\" + name)) {
        status_ = ERROR_CANT_RESOLVE_FILENAME;
    }
    if (status_ != ERROR_SUCCESS) {
        // This call made the key (wherever it is) and cannot vouch for it: it goes again, tried a
        // few times, as nothing else would remove it.
        for (int attempt = 0; attempt < 3 && Registry().deleteOpenKey(created.get()) != ERROR_SUCCESS; ++attempt) {
        }
        return false;
    }
    handle_ = std::move(created);
    return true;
}

bool RegKey::DeleteSubKey(const std::wstring& name) {
    // The Win32 deletion opens the key by name and so deletes a link's target: open the key
    // itself, as a link, and delete it by its own handle.
    unique_hkey subKey;
    status_ = HasNul(name) ? Registry().openKeyCounted(handle(), name.data(), CountOf(name), REG_OPTION_OPEN_LINK,
                                                       DELETE, subKey.put())
                           : Registry().openKeyEx(handle(), name.c_str(), REG_OPTION_OPEN_LINK, DELETE, subKey.put());
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    status_ = Registry().deleteOpenKey(subKey.get());
    return status_ == ERROR_SUCCESS;
}

bool RegKey::DeleteValue(const std::wstring& name) {
    status_ = HasNul(name) ? Registry().deleteValueCounted(handle(), name.data(), CountOf(name))
                           : Registry().deleteValue(handle(), name.c_str());
    return status_ == ERROR_SUCCESS;
}

bool RegKey::SetValue(const std::wstring& name, DWORD type, const BYTE* data, DWORD byteCount) {
    if (data == nullptr && byteCount > 0) {
        status_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (byteCount > 0 && IsStringType(type)) {
        // The registry appends a terminator to string data whose next unit, just past the given
        // length, is NUL. Hand it a copy padded with non-NUL bytes so the exact bytes are stored.
        std::vector<BYTE> padded(data, data + byteCount);
        padded.resize(static_cast<std::size_t>(byteCount) + 4, 0xFF);
        status_ = HasNul(name)
                      ? Registry().setValueCounted(handle(), name.data(), CountOf(name), type, padded.data(), byteCount)
                      : Registry().setValueEx(handle(), name.c_str(), 0, type, padded.data(), byteCount);
    } else {
        status_ = HasNul(name) ? Registry().setValueCounted(handle(), name.data(), CountOf(name), type, data, byteCount)
                               : Registry().setValueEx(handle(), name.c_str(), 0, type, data, byteCount);
    }
    return status_ == ERROR_SUCCESS;
}

LONG RegKey::Query(const std::wstring& name, DWORD* type, BYTE* data, DWORD* byteCount) const {
    return HasNul(name) ? Registry().queryValueCounted(handle(), name.data(), CountOf(name), type, data, byteCount)
                        : Registry().queryValueEx(handle(), name.c_str(), nullptr, type, data, byteCount);
}

bool RegKey::QueryValue(const std::wstring& name,
                        std::vector<BYTE>& buffer,
                        DWORD& type,
                        DWORD& byteCount,
                        LONG* code) {
    if (buffer.empty()) {
        buffer.assign(kDefaultQueryBytes, 0);
    }
    LONG ignored = ERROR_SUCCESS;
    LONG& result = code != nullptr ? *code : ignored;
    result = ERROR_MORE_DATA;
    std::size_t step = kQueryFirstStepBytes;
    for (int attempt = 0; attempt < kMaxReadAttempts; ++attempt) {
        DWORD valueType = REG_NONE;
        DWORD size = static_cast<DWORD>(buffer.size());
        result = Query(name, &valueType, buffer.data(), &size);
        if (result == ERROR_SUCCESS) {
            type = valueType;
            byteCount = static_cast<DWORD>(std::min<std::size_t>(size, buffer.size()));
            return true;
        }
        if (result != ERROR_MORE_DATA) {
            return false;
        }
        buffer.assign(std::max<std::size_t>(buffer.size() + step, size), 0);
        step = kQueryLaterStepBytes;
    }
    return false;
}

std::vector<BYTE> RegKey::ScratchBytes(DWORD byteCount) const {
    const std::size_t count = std::min<std::size_t>(byteCount, dataScratch_.size());
    return std::vector<BYTE>(dataScratch_.begin(), dataScratch_.begin() + static_cast<std::ptrdiff_t>(count));
}

bool RegKey::ReadValueBytes(const std::wstring& name, std::vector<BYTE>& bytes) {
    dataScratch_.resize(std::max<std::size_t>(dataScratch_.size(), kTypedReadStartBytes));
    for (int attempt = 0; attempt < kMaxReadAttempts; ++attempt) {
        DWORD size = static_cast<DWORD>(dataScratch_.size());
        const LONG result = Query(name, nullptr, dataScratch_.data(), &size);
        if (result == ERROR_SUCCESS) {
            bytes = ScratchBytes(size);
            return true;
        }
        if (result != ERROR_MORE_DATA) {
            return false;
        }
        dataScratch_.resize(static_cast<std::size_t>(size) + kTypedReadSlackBytes);
    }
    return false;
}

std::wstring RegKey::ReadString(const std::wstring& name) {
    std::vector<BYTE> bytes;
    if (!ReadValueBytes(name, bytes)) {
        return {};
    }
    return Utf16TextFromBytes(bytes.data(), bytes.size());
}

DWORD RegKey::ReadDword(const std::wstring& name, DWORD defaultValue) {
    std::vector<BYTE> bytes;
    if (!ReadValueBytes(name, bytes)) {
        return defaultValue;
    }
    return DwordFromBytes(bytes.data(), bytes.size());
}

std::wstring RegKey::ReadAnsiString(const std::wstring& name) {
    std::vector<BYTE> bytes;
    if (!ReadValueBytes(name, bytes)) {
        return {};
    }
    const std::string narrow = NarrowTextFromBytes(bytes.data(), bytes.size());
    return AnsiToWide(narrow.c_str());
}

DWORD RegKey::SubKeyCount() {
    DWORD count = 0;
    status_ = Registry().queryInfoKey(handle(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr);
    return status_ == ERROR_SUCCESS ? count : 0;
}

DWORD RegKey::ValueCount() {
    DWORD count = 0;
    status_ = Registry().queryInfoKey(handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                                      nullptr, nullptr, nullptr);
    return status_ == ERROR_SUCCESS ? count : 0;
}

std::wstring RegKey::SubKeyName(DWORD index) {
    std::vector<wchar_t> name(kMaxRegistryNameCount, L'\0');
    DWORD count = kMaxRegistryNameCount;
    status_ = Registry().enumKeyEx(handle(), index, name.data(), &count, nullptr, nullptr, nullptr, nullptr);
    if (status_ != ERROR_SUCCESS) {
        return {};
    }
    return std::wstring(name.data(), std::min<std::size_t>(count, name.size() - 1));
}

std::wstring RegKey::ValueName(DWORD index) {
    std::vector<wchar_t> name(kMaxRegistryNameCount, L'\0');
    DWORD count = kMaxRegistryNameCount;
    status_ = Registry().enumValue(handle(), index, name.data(), &count, nullptr, nullptr, nullptr, nullptr);
    if (status_ != ERROR_SUCCESS) {
        return {};
    }
    return std::wstring(name.data(), std::min<std::size_t>(count, name.size() - 1));
}

bool RegKey::ValueAt(DWORD index, RegValue& value) {
    // The key's own buffers, reused for every value: a read copies out exactly what the registry
    // returned, so they need no clearing.
    nameScratch_.resize(std::max<std::size_t>(nameScratch_.size(), kMaxRegistryNameCount));
    dataScratch_.resize(std::max<std::size_t>(dataScratch_.size(), kTypedReadStartBytes));
    for (int attempt = 0; attempt < kMaxReadAttempts; ++attempt) {
        DWORD nameCount = kMaxRegistryNameCount;
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(dataScratch_.size());
        status_ = Registry().enumValue(handle(), index, nameScratch_.data(), &nameCount, nullptr, &type,
                                       dataScratch_.data(), &size);
        if (status_ == ERROR_SUCCESS) {
            value.name.assign(nameScratch_.data(), std::min<std::size_t>(nameCount, kMaxRegistryNameCount - 1));
            value.type = type;
            value.bytes = ScratchBytes(size);
            return true;
        }
        if (status_ != ERROR_MORE_DATA) {
            return false;
        }
        dataScratch_.resize(std::max<std::size_t>(size, dataScratch_.size()) + kTypedReadSlackBytes);
    }
    return false;
}

bool RegKey::ReadClassName(std::wstring& className) {
    // A class name is a counted text of at most 32767 units.
    std::vector<wchar_t> text(32768, L'\0');
    DWORD count = static_cast<DWORD>(text.size());
    status_ = Registry().queryInfoKey(handle(), text.data(), &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr);
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    className.assign(text.data(), std::min<std::size_t>(count, text.size() - 1));
    return true;
}

bool RegKey::ReadSecurity(std::vector<BYTE>& descriptor) {
    constexpr SECURITY_INFORMATION kParts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    std::vector<BYTE> buffer(256, 0);
    for (int attempt = 0; attempt < kMaxReadAttempts; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        status_ = Registry().getKeySecurity(handle(), kParts, buffer.data(), &size);
        if (status_ == ERROR_SUCCESS) {
            buffer.resize(std::min<std::size_t>(size, buffer.size()));
            descriptor = std::move(buffer);
            return true;
        }
        if (status_ != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        buffer.assign(std::max<std::size_t>(size, buffer.size() * 2), 0);
    }
    return false;
}

bool RegKey::WriteSecurity(const std::vector<BYTE>& descriptor, SECURITY_INFORMATION parts) {
    if (descriptor.empty()) {
        status_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    std::vector<BYTE> copy = descriptor;
    status_ = Registry().setKeySecurity(handle(), parts, copy.data());
    return status_ == ERROR_SUCCESS;
}

bool RegKey::ReadFlags(DWORD& flags) {
    status_ = Registry().queryKeyFlags(handle(), &flags);
    return status_ == ERROR_SUCCESS;
}

bool RegKey::ReadName(std::wstring& name) {
    status_ = QueryName(handle(), name);
    return status_ == ERROR_SUCCESS;
}

LONG RegKey::QueryName(HKEY key, std::wstring& name) {
    std::vector<wchar_t> text(512, L'\0');
    for (int attempt = 0; attempt < kMaxReadAttempts; ++attempt) {
        DWORD count = static_cast<DWORD>(text.size());
        const LONG result = Registry().queryKeyName(key, text.data(), &count);
        if (result == ERROR_SUCCESS) {
            name.assign(text.data(), std::min<std::size_t>(count, text.size()));
            return result;
        }
        if (result != ERROR_MORE_DATA) {
            return result;
        }
        text.assign(std::max<std::size_t>(count, text.size()) + 16, L'\0');
    }
    return ERROR_MORE_DATA;
}

// Keeps `status` so that the code of a failed operation survives the clean-up that follows it.
void RegKey::Close() {
    handle_.reset();
}

HKEY RootFromKeyText(const std::wstring& keyText) {
    switch (RootNameFromKeyText(keyText)) {
        case RootName::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RootName::CurrentUser:
            return HKEY_CURRENT_USER;
        case RootName::Users:
            return HKEY_USERS;
        case RootName::None:
            break;
    }
    return nullptr;
}

std::wstring AnsiToWide(const char* text) {
    if (text == nullptr || *text == '\0') {
        return {};
    }
    const int count = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (count <= 1) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    if (::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, &wide[0], count) != count) {
        return {};
    }
    wide.resize(static_cast<std::size_t>(count) - 1);
    return wide;
}

std::wstring TextOf(const RegValue& value) {
    return Utf16TextFromBytes(value.bytes.data(), value.bytes.size());
}

DWORD DwordOf(const RegValue& value) {
    return DwordFromBytes(value.bytes.data(), value.bytes.size());
}

std::wstring AnsiTextOf(const RegValue& value) {
    return AnsiToWide(NarrowTextFromBytes(value.bytes.data(), value.bytes.size()).c_str());
}

}  // namespace tarn
