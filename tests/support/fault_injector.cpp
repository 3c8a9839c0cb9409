#include "support/fault_injector.h"

namespace tarn::test {

namespace {

struct Plan {
    int failAt = 0;
    bool persistent = false;
    LONG error = ERROR_SUCCESS;
    int calls = 0;
    int injected = 0;
};

Plan g_plan;

// The code the next call answers with, or ERROR_SUCCESS to let it through.
LONG NextCall() {
    ++g_plan.calls;
    const bool fails = g_plan.failAt > 0 &&
                       (g_plan.calls == g_plan.failAt || (g_plan.persistent && g_plan.calls > g_plan.failAt));
    if (!fails) {
        return ERROR_SUCCESS;
    }
    ++g_plan.injected;
    return g_plan.error;
}

const RegistryApi& Real() {
    return RealRegistryApi();
}

LSTATUS WINAPI OpenKeyEx(HKEY key, LPCWSTR path, DWORD options, REGSAM rights, PHKEY result) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error : Real().openKeyEx(key, path, options, rights, result);
}

LSTATUS WINAPI CreateKeyEx(HKEY key, LPCWSTR path, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM rights,
                           const LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS
               ? error
               : Real().createKeyEx(key, path, reserved, keyClass, options, rights, security, result, disposition);
}

// A failed close still closes: only the answer is the injected one.
LSTATUS WINAPI CloseKey(HKEY key) {
    const LONG error = NextCall();
    const LONG closed = Real().closeKey(key);
    return error != ERROR_SUCCESS ? error : closed;
}

LSTATUS WINAPI QueryValueEx(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error : Real().queryValueEx(key, name, reserved, type, data, size);
}

LSTATUS WINAPI SetValueEx(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error : Real().setValueEx(key, name, reserved, type, data, size);
}

LSTATUS WINAPI DeleteValue(HKEY key, LPCWSTR name) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error : Real().deleteValue(key, name);
}

LSTATUS WINAPI DeleteKey(HKEY key, LPCWSTR name) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error : Real().deleteKey(key, name);
}

LSTATUS WINAPI EnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD nameCount, LPDWORD reserved, LPWSTR keyClass,
                         LPDWORD classCount, PFILETIME written) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS
               ? error
               : Real().enumKeyEx(key, index, name, nameCount, reserved, keyClass, classCount, written);
}

LSTATUS WINAPI EnumKey(HKEY key, DWORD index, LPWSTR name, DWORD nameCount) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error : Real().enumKey(key, index, name, nameCount);
}

LSTATUS WINAPI EnumValue(HKEY key, DWORD index, LPWSTR name, LPDWORD nameCount, LPDWORD reserved, LPDWORD type,
                         LPBYTE data, LPDWORD dataCount) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error
                                  : Real().enumValue(key, index, name, nameCount, reserved, type, data, dataCount);
}

LSTATUS WINAPI QueryInfoKey(HKEY key, LPWSTR keyClass, LPDWORD classCount, LPDWORD reserved, LPDWORD subKeys,
                            LPDWORD longestSubKey, LPDWORD longestClass, LPDWORD values, LPDWORD longestName,
                            LPDWORD longestData, LPDWORD security, PFILETIME written) {
    const LONG error = NextCall();
    return error != ERROR_SUCCESS ? error
                                  : Real().queryInfoKey(key, keyClass, classCount, reserved, subKeys, longestSubKey,
                                                        longestClass, values, longestName, longestData, security,
                                                        written);
}

const RegistryApi kFaultyApi = {
    OpenKeyEx, CreateKeyEx, CloseKey, QueryValueEx, SetValueEx, DeleteValue,
    DeleteKey, EnumKeyEx,   EnumKey,  EnumValue,    QueryInfoKey,
};

const RegistryApi& Arm(int failAt, bool persistent, LONG error) {
    g_plan = Plan{failAt, persistent, error, 0, 0};
    return kFaultyApi;
}

}  // namespace

FaultInjection::FaultInjection(int failAt, bool persistent, LONG error) : scope_(Arm(failAt, persistent, error)) {}

FaultInjection::~FaultInjection() = default;

int FaultInjection::calls() const {
    return g_plan.calls;
}

int FaultInjection::injected() const {
    return g_plan.injected;
}

}  // namespace tarn::test
