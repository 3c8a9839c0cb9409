#include "win/native_registry.h"

#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace tarn {

namespace {

// Object attribute flags of the native API.
constexpr ULONG kCaseInsensitive = 0x40;
constexpr ULONG kOpenLink = 0x100;
// Information classes of NtQueryValueKey and NtQueryKey.
constexpr int kValuePartialInformation = 2;
constexpr int kKeyNameInformation = 3;
constexpr int kKeyFlagsInformation = 5;
constexpr NTSTATUS kBufferOverflow = static_cast<NTSTATUS>(0x80000005L);
// A counted name holds at most this many bytes.
constexpr DWORD kMaxCountedBytes = 0xFFFE;

struct PartialValue {
    ULONG titleIndex;
    ULONG type;
    ULONG dataLength;
    // the data follows
};

struct KeyFlags {
    ULONG wow64Flags;
    ULONG keyFlags;
    ULONG controlFlags;
};

using OpenKey = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
using CreateKey = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG, PUNICODE_STRING, ULONG, PULONG);
using QueryValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, int, PVOID, ULONG, PULONG);
using SetValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
using DeleteValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING);
using DeleteKey = NTSTATUS(NTAPI*)(HANDLE);
using QueryKey = NTSTATUS(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
using StatusToError = ULONG(NTAPI*)(NTSTATUS);

// ntdll is in every process; its entry points are looked up once.
struct NtEntryPoints {
    OpenKey openKey = nullptr;
    CreateKey createKey = nullptr;
    QueryValueKey queryValueKey = nullptr;
    SetValueKey setValueKey = nullptr;
    DeleteValueKey deleteValueKey = nullptr;
    DeleteKey deleteKey = nullptr;
    QueryKey queryKey = nullptr;
    StatusToError statusToError = nullptr;

    NtEntryPoints() {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        if (ntdll == nullptr) {
            return;
        }
        openKey = Find<OpenKey>(ntdll, "NtOpenKey");
        createKey = Find<CreateKey>(ntdll, "NtCreateKey");
        queryValueKey = Find<QueryValueKey>(ntdll, "NtQueryValueKey");
        setValueKey = Find<SetValueKey>(ntdll, "NtSetValueKey");
        deleteValueKey = Find<DeleteValueKey>(ntdll, "NtDeleteValueKey");
        deleteKey = Find<DeleteKey>(ntdll, "NtDeleteKey");
        queryKey = Find<QueryKey>(ntdll, "NtQueryKey");
        statusToError = Find<StatusToError>(ntdll, "RtlNtStatusToDosError");
    }

    template <typename Function>
    static Function Find(HMODULE module, const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }
};

const NtEntryPoints& Nt() {
    static const NtEntryPoints entryPoints;
    return entryPoints;
}

LONG ToError(NTSTATUS status) {
    if (status == 0) {
        return ERROR_SUCCESS;
    }
    return Nt().statusToError != nullptr ? static_cast<LONG>(Nt().statusToError(status)) : ERROR_GEN_FAILURE;
}

// A counted string over the caller's units; false when it cannot be carried.
bool Counted(const wchar_t* text, DWORD count, UNICODE_STRING& counted) {
    if (count > kMaxCountedBytes / sizeof(wchar_t) || (text == nullptr && count > 0)) {
        return false;
    }
    counted.Buffer = const_cast<wchar_t*>(text);
    counted.Length = static_cast<USHORT>(count * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    return true;
}

OBJECT_ATTRIBUTES Attributes(HKEY parent, UNICODE_STRING* name, DWORD options) {
    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = parent;
    attributes.ObjectName = name;
    attributes.Attributes = kCaseInsensitive | ((options & REG_OPTION_OPEN_LINK) != 0 ? kOpenLink : 0);
    return attributes;
}

}  // namespace

LONG NativeOpenKey(HKEY parent, const wchar_t* name, DWORD nameCount, DWORD options, REGSAM rights, HKEY* result) {
    UNICODE_STRING counted;
    if (Nt().openKey == nullptr || result == nullptr) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    if (!Counted(name, nameCount, counted)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    OBJECT_ATTRIBUTES attributes = Attributes(parent, &counted, options);
    HANDLE opened = nullptr;
    const LONG error = ToError(Nt().openKey(&opened, rights, &attributes));
    if (error == ERROR_SUCCESS) {
        *result = static_cast<HKEY>(opened);
    }
    return error;
}

LONG NativeCreateKey(HKEY parent,
                     const wchar_t* name,
                     DWORD nameCount,
                     const wchar_t* keyClass,
                     DWORD classCount,
                     DWORD options,
                     REGSAM rights,
                     HKEY* result,
                     DWORD* disposition) {
    UNICODE_STRING counted;
    UNICODE_STRING countedClass;
    if (Nt().createKey == nullptr || result == nullptr) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    if (!Counted(name, nameCount, counted) || !Counted(keyClass, classCount, countedClass)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    OBJECT_ATTRIBUTES attributes = Attributes(parent, &counted, 0);
    HANDLE created = nullptr;
    ULONG createdHow = 0;
    const LONG error =
        ToError(Nt().createKey(&created, rights, &attributes, 0, classCount > 0 ? &countedClass : nullptr,
                               options & ~static_cast<DWORD>(REG_OPTION_OPEN_LINK), &createdHow));
    if (error == ERROR_SUCCESS) {
        *result = static_cast<HKEY>(created);
        if (disposition != nullptr) {
            *disposition = createdHow;
        }
    }
    return error;
}

LONG NativeQueryValue(HKEY key, const wchar_t* name, DWORD nameCount, DWORD* type, BYTE* data, DWORD* byteCount) {
    UNICODE_STRING counted;
    if (Nt().queryValueKey == nullptr) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    if (!Counted(name, nameCount, counted)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    const DWORD offered = (data != nullptr && byteCount != nullptr) ? *byteCount : 0;
    std::vector<BYTE> information(sizeof(PartialValue) + offered);
    ULONG needed = 0;
    const NTSTATUS status = Nt().queryValueKey(key, &counted, kValuePartialInformation, information.data(),
                                               static_cast<ULONG>(information.size()), &needed);
    if (status != 0 && status != kBufferOverflow) {
        return ToError(status);
    }
    PartialValue header = {};
    std::memcpy(&header, information.data(), sizeof header);
    if (type != nullptr) {
        *type = header.type;
    }
    if (status == kBufferOverflow) {
        // The header came back, the data did not fit: report the size, as the Win32 call does.
        if (byteCount != nullptr) {
            *byteCount = header.dataLength;
        }
        return data == nullptr ? ERROR_SUCCESS : ERROR_MORE_DATA;
    }
    const std::size_t length = header.dataLength < offered ? header.dataLength : offered;
    if (length > 0) {
        std::memcpy(data, information.data() + sizeof header, length);
    }
    if (byteCount != nullptr) {
        *byteCount = data != nullptr ? static_cast<DWORD>(length) : header.dataLength;
    }
    return ERROR_SUCCESS;
}

LONG NativeSetValue(HKEY key, const wchar_t* name, DWORD nameCount, DWORD type, const BYTE* data, DWORD byteCount) {
    UNICODE_STRING counted;
    if (Nt().setValueKey == nullptr) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    if (!Counted(name, nameCount, counted)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    return ToError(Nt().setValueKey(key, &counted, 0, type, const_cast<BYTE*>(data), byteCount));
}

LONG NativeDeleteValue(HKEY key, const wchar_t* name, DWORD nameCount) {
    UNICODE_STRING counted;
    if (Nt().deleteValueKey == nullptr) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    if (!Counted(name, nameCount, counted)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    return ToError(Nt().deleteValueKey(key, &counted));
}

LONG NativeDeleteKey(HKEY key) {
    return Nt().deleteKey != nullptr ? ToError(Nt().deleteKey(key)) : ERROR_CALL_NOT_IMPLEMENTED;
}

LONG NativeQueryKeyName(HKEY key, wchar_t* name, DWORD* nameCount) {
    if (Nt().queryKey == nullptr || nameCount == nullptr || (name == nullptr && *nameCount > 0)) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    // The information is the name's byte length, then the name.
    const std::size_t roomBytes = static_cast<std::size_t>(*nameCount) * sizeof(wchar_t);
    std::vector<BYTE> information(sizeof(ULONG) + roomBytes);
    ULONG returned = 0;
    const NTSTATUS status =
        Nt().queryKey(key, kKeyNameInformation, information.data(), static_cast<ULONG>(information.size()), &returned);
    if (status != 0 && status != kBufferOverflow && returned < sizeof(ULONG)) {
        return ToError(status);
    }
    ULONG nameBytes = 0;
    std::memcpy(&nameBytes, information.data(), sizeof nameBytes);
    const DWORD needed = nameBytes / sizeof(wchar_t);
    if (status != 0 || needed > *nameCount) {
        *nameCount = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, information.data() + sizeof(ULONG), static_cast<std::size_t>(needed) * sizeof(wchar_t));
    *nameCount = needed;
    return ERROR_SUCCESS;
}

LONG NativeQueryKeyFlags(HKEY key, DWORD* flags) {
    if (Nt().queryKey == nullptr || flags == nullptr) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    KeyFlags information = {};
    ULONG returned = 0;
    const LONG error = ToError(Nt().queryKey(key, kKeyFlagsInformation, &information, sizeof information, &returned));
    if (error != ERROR_SUCCESS) {
        return error;
    }
    // Older systems answer this class with user flags only, which say nothing about the key.
    if (returned < sizeof information) {
        return ERROR_NOT_SUPPORTED;
    }
    *flags = information.keyFlags;
    return ERROR_SUCCESS;
}

}  // namespace tarn
