#include "model/reg_key.h"

#include "model/key_text.h"
#include "model/registry_api.h"
#include "model/registry_data.h"

#include <shlwapi.h>

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

}  // namespace

RegKey::~RegKey() {
    Close();
}

RegKey::RegKey(RegKey&& other) noexcept
    : status_(other.status_), handle_(std::exchange(other.handle_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        status_ = other.status_;
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void RegKey::Adopt(HKEY opened) {
    Close();
    handle_ = opened;
}

bool RegKey::Open(HKEY parent, const std::wstring& path, REGSAM rights) {
    HKEY opened = nullptr;
    status_ = Registry().openKeyEx(parent, path.c_str(), 0, rights, &opened);
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    Adopt(opened);
    return true;
}

bool RegKey::OpenRead(HKEY parent, const std::wstring& path) {
    return Open(parent, path, kKeyReadRights);
}

bool RegKey::OpenWrite(HKEY parent, const std::wstring& path) {
    return Open(parent, path, kKeyWriteRights);
}

bool RegKey::Create(HKEY parent, const std::wstring& path) {
    HKEY created = nullptr;
    status_ = Registry().createKeyEx(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyWriteRights,
                                     nullptr, &created, nullptr);
    if (status_ != ERROR_SUCCESS) {
        return false;
    }
    Adopt(created);
    return true;
}

bool RegKey::DeleteSubKey(const std::wstring& name) {
    status_ = Registry().deleteKey(handle_, name.c_str());
    return status_ == ERROR_SUCCESS;
}

bool RegKey::DeleteValue(const std::wstring& name) {
    status_ = Registry().deleteValue(handle_, name.c_str());
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
        status_ = Registry().setValueEx(handle_, name.c_str(), 0, type, padded.data(), byteCount);
    } else {
        status_ = Registry().setValueEx(handle_, name.c_str(), 0, type, data, byteCount);
    }
    return status_ == ERROR_SUCCESS;
}

bool RegKey::QueryValue(const std::wstring& name, std::vector<BYTE>& buffer, DWORD& type, DWORD& byteCount,
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
        result = Registry().queryValueEx(handle_, name.c_str(), nullptr, &valueType, buffer.data(), &size);
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

bool RegKey::ReadValueBytes(const std::wstring& name, std::vector<BYTE>& bytes) {
    std::vector<BYTE> buffer(kTypedReadStartBytes, 0);
    for (int attempt = 0; attempt < kMaxReadAttempts; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const LONG result = Registry().queryValueEx(handle_, name.c_str(), nullptr, nullptr, buffer.data(), &size);
        if (result == ERROR_SUCCESS) {
            buffer.resize(std::min<std::size_t>(size, buffer.size()));
            bytes = std::move(buffer);
            return true;
        }
        if (result != ERROR_MORE_DATA) {
            return false;
        }
        buffer.assign(static_cast<std::size_t>(size) + kTypedReadSlackBytes, 0);
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
    status_ = Registry().queryInfoKey(handle_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr);
    return status_ == ERROR_SUCCESS ? count : 0;
}

DWORD RegKey::ValueCount() {
    DWORD count = 0;
    status_ = Registry().queryInfoKey(handle_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                                      nullptr, nullptr, nullptr);
    return status_ == ERROR_SUCCESS ? count : 0;
}

std::wstring RegKey::SubKeyName(DWORD index) {
    std::vector<wchar_t> name(kMaxRegistryNameCount, L'\0');
    DWORD count = kMaxRegistryNameCount;
    status_ = Registry().enumKeyEx(handle_, index, name.data(), &count, nullptr, nullptr, nullptr, nullptr);
    if (status_ != ERROR_SUCCESS) {
        return {};
    }
    return std::wstring(name.data(), std::min<std::size_t>(count, name.size() - 1));
}

std::wstring RegKey::ValueName(DWORD index) {
    std::vector<wchar_t> name(kMaxRegistryNameCount, L'\0');
    DWORD count = kMaxRegistryNameCount;
    status_ = Registry().enumValue(handle_, index, name.data(), &count, nullptr, nullptr, nullptr, nullptr);
    if (status_ != ERROR_SUCCESS) {
        return {};
    }
    return std::wstring(name.data(), std::min<std::size_t>(count, name.size() - 1));
}

std::wstring RegKey::EnumKeyName(DWORD index) {
    std::vector<wchar_t> name(MAX_PATH, L'\0');
    status_ = Registry().enumKey(handle_, index, name.data(), static_cast<DWORD>(name.size()));
    if (status_ != ERROR_SUCCESS) {
        return {};
    }
    name.back() = L'\0';
    return name.data();
}

// Keeps `status` so that the code of a failed operation survives the clean-up that follows it.
void RegKey::Close() {
    if (handle_ != nullptr) {
        Registry().closeKey(std::exchange(handle_, nullptr));
    }
}

HKEY RootFromKeyText(const std::wstring& keyText) {
    switch (RootNameFromKeyText(keyText)) {
        case RootName::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RootName::CurrentUser:
            return HKEY_CURRENT_USER;
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

bool SameRegistryName(const std::wstring& a, const std::wstring& b) {
    return ::StrCmpIW(a.c_str(), b.c_str()) == 0;
}

}  // namespace tarn
