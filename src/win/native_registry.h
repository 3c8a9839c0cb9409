#pragma once

#include <windows.h>

namespace tarn {

// Registry calls that take counted names, through the native API. The Win32 calls take names as
// NUL-terminated texts, so a name with a NUL inside (which the registry allows) can only be
// reached this way. Each answers a Win32 error code, like the Win32 calls.

// Opens `name` (a path of one or more components) below `parent`, which must be a real key
// handle. With REG_OPTION_OPEN_LINK in `options` a link key itself is opened, not its target.
LONG NativeOpenKey(HKEY parent, const wchar_t* name, DWORD nameCount, DWORD options, REGSAM rights, HKEY* result);

// Creates (or opens) the single key `name` below `parent`, with a class name and the options of
// RegCreateKeyExW (volatile, link). `disposition` tells a new key from an existing one.
LONG NativeCreateKey(HKEY parent,
                     const wchar_t* name,
                     DWORD nameCount,
                     const wchar_t* keyClass,
                     DWORD classCount,
                     DWORD options,
                     REGSAM rights,
                     HKEY* result,
                     DWORD* disposition);

// As RegQueryValueExW: ERROR_MORE_DATA with the needed count when `data` is too small.
LONG NativeQueryValue(HKEY key, const wchar_t* name, DWORD nameCount, DWORD* type, BYTE* data, DWORD* byteCount);
LONG NativeSetValue(HKEY key, const wchar_t* name, DWORD nameCount, DWORD type, const BYTE* data, DWORD byteCount);
LONG NativeDeleteValue(HKEY key, const wchar_t* name, DWORD nameCount);

// Deletes the open key itself (it must have no subkeys). A key opened as a link goes, not its target.
LONG NativeDeleteKey(HKEY key);

// The key's flags where the platform reports them (volatile 0x1, link 0x2); an error elsewhere.
LONG NativeQueryKeyFlags(HKEY key, DWORD* flags);

// The key's full native name ("\REGISTRY\MACHINE\..."), as the registry resolved it when the key
// was opened: a key opened as a link has its own name, one opened through a link its target's.
// `nameCount` holds the room in units and comes back with the name's length; ERROR_MORE_DATA
// with the needed length when the room is too small.
LONG NativeQueryKeyName(HKEY key, wchar_t* name, DWORD* nameCount);

constexpr DWORD kKeyFlagVolatile = 0x1;
constexpr DWORD kKeyFlagLink = 0x2;

}  // namespace tarn
