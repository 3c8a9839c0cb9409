#include "support/fault_injector.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace tarn::test {

namespace {

struct State {
    FaultPlan plan;
    int calls = 0;
    int injected = 0;
    std::vector<FaultInjection::CallKind> kinds;
};

State g_state;

enum class Effect { None, Changes, Close, Security };

// What the next call does: ERROR_SUCCESS to let it through, otherwise the code it answers with;
// `first` tells whether the real call still runs first.
LONG NextCall(Effect effect, bool& runFirst) {
    ++g_state.calls;
    g_state.kinds.push_back(effect == Effect::Changes    ? FaultInjection::CallKind::Change
                            : effect == Effect::Close    ? FaultInjection::CallKind::Close
                            : effect == Effect::Security ? FaultInjection::CallKind::Security
                                                         : FaultInjection::CallKind::Read);
    const FaultPlan& plan = g_state.plan;
    if (plan.intrusion && plan.intrudeAt == g_state.calls) {
        plan.intrusion();
    }
    const bool planned = std::find(plan.failAt.begin(), plan.failAt.end(), g_state.calls) != plan.failAt.end();
    const bool later = plan.persistent && !plan.failAt.empty() &&
                       g_state.calls > *std::min_element(plan.failAt.begin(), plan.failAt.end());
    runFirst = false;
    if (!planned && !later) {
        return ERROR_SUCCESS;
    }
    ++g_state.injected;
    runFirst = plan.afterEffect && (effect == Effect::Changes || effect == Effect::Security);
    return plan.error;
}

// The registry the faults are injected into: the one in use when they were armed (the real one, or
// a test's stand-in for a registry that behaves otherwise).
const RegistryApi* g_underlyingRegistry = nullptr;

const RegistryApi& Real() {
    return g_underlyingRegistry != nullptr ? *g_underlyingRegistry : RealRegistryApi();
}

bool EndsWithKey(const std::wstring& name, const std::wstring& suffix) {
    const std::wstring tail = L"\\" + suffix;
    return !suffix.empty() && name.size() >= tail.size() &&
           ::CompareStringOrdinal(name.c_str() + name.size() - tail.size(), static_cast<int>(tail.size()), tail.c_str(),
                                  static_cast<int>(tail.size()), TRUE) == CSTR_EQUAL;
}

std::wstring NameOf(HKEY key) {
    std::vector<wchar_t> name(1024, L'\0');
    DWORD count = static_cast<DWORD>(name.size());
    return Real().queryKeyName(key, name.data(), &count) == ERROR_SUCCESS ? std::wstring(name.data(), count)
                                                                          : std::wstring();
}

bool IsPredefined(HKEY key) {
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    return value >= 0x80000000u && value <= 0x800000FFu;
}

// An open for deletion of the denied key: the real open runs, and its key is refused.
LONG RefuseDeletion(REGSAM rights, LONG opened, PHKEY result) {
    if (opened != ERROR_SUCCESS || (rights & DELETE) == 0 || result == nullptr ||
        !EndsWithKey(NameOf(*result), g_state.plan.denyDeleteOf)) {
        return opened;
    }
    Real().closeKey(std::exchange(*result, nullptr));
    return ERROR_ACCESS_DENIED;
}

// Whether a create below `parent` would make the denied key.
bool CreationDenied(HKEY parent, const std::wstring& path) {
    return !g_state.plan.denyCreateOf.empty() && !IsPredefined(parent) &&
           EndsWithKey(NameOf(parent) + L"\\" + path, g_state.plan.denyCreateOf);
}

// Runs the real call when the plan lets it, or when its change is to happen before the failure.
template <typename Call>
LONG Through(Effect effect, Call call) {
    bool runFirst = false;
    const LONG error = NextCall(effect, runFirst);
    if (error == ERROR_SUCCESS) {
        return call();
    }
    if (runFirst) {
        call();
    }
    return error;
}

// A key the real call opened or created while the answer is a failure is closed again: the
// caller never sees it.
LONG ThroughKey(Effect effect, PHKEY result, const std::function<LONG()>& call) {
    bool runFirst = false;
    const LONG error = NextCall(effect, runFirst);
    if (error == ERROR_SUCCESS) {
        return call();
    }
    if (runFirst && call() == ERROR_SUCCESS && result != nullptr && *result != nullptr) {
        RealRegistryApi().closeKey(std::exchange(*result, nullptr));
    }
    return error;
}

LSTATUS WINAPI OpenKeyEx(HKEY key, LPCWSTR path, DWORD options, REGSAM rights, PHKEY result) {
    return ThroughKey(Effect::None, result, [=] {
        return RefuseDeletion(rights, Real().openKeyEx(key, path, options, rights, result), result);
    });
}

LSTATUS WINAPI CreateKeyEx(HKEY key,
                           LPCWSTR path,
                           DWORD reserved,
                           LPWSTR keyClass,
                           DWORD options,
                           REGSAM rights,
                           const LPSECURITY_ATTRIBUTES security,
                           PHKEY result,
                           LPDWORD disposition) {
    return ThroughKey(Effect::Changes, result, [=] {
        if (path != nullptr && CreationDenied(key, path)) {
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        }
        return Real().createKeyEx(key, path, reserved, keyClass, options, rights, security, result, disposition);
    });
}

// A failed close still closes: only the answer is the injected one.
LSTATUS WINAPI CloseKey(HKEY key) {
    bool runFirst = false;
    const LONG error = NextCall(Effect::Close, runFirst);
    const LONG closed = Real().closeKey(key);
    return error != ERROR_SUCCESS ? error : closed;
}

LSTATUS WINAPI QueryValueEx(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    return Through(Effect::None, [=] { return Real().queryValueEx(key, name, reserved, type, data, size); });
}

LSTATUS WINAPI SetValueEx(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    return Through(Effect::Changes, [=] { return Real().setValueEx(key, name, reserved, type, data, size); });
}

LSTATUS WINAPI DeleteValue(HKEY key, LPCWSTR name) {
    return Through(Effect::Changes, [=] { return Real().deleteValue(key, name); });
}

LSTATUS WINAPI EnumKeyEx(HKEY key,
                         DWORD index,
                         LPWSTR name,
                         LPDWORD nameCount,
                         LPDWORD reserved,
                         LPWSTR keyClass,
                         LPDWORD classCount,
                         PFILETIME written) {
    return Through(Effect::None, [=] {
        return Real().enumKeyEx(key, index, name, nameCount, reserved, keyClass, classCount, written);
    });
}

LSTATUS WINAPI EnumValue(HKEY key,
                         DWORD index,
                         LPWSTR name,
                         LPDWORD nameCount,
                         LPDWORD reserved,
                         LPDWORD type,
                         LPBYTE data,
                         LPDWORD dataCount) {
    return Through(Effect::None,
                   [=] { return Real().enumValue(key, index, name, nameCount, reserved, type, data, dataCount); });
}

LSTATUS WINAPI QueryInfoKey(HKEY key,
                            LPWSTR keyClass,
                            LPDWORD classCount,
                            LPDWORD reserved,
                            LPDWORD subKeys,
                            LPDWORD longestSubKey,
                            LPDWORD longestClass,
                            LPDWORD values,
                            LPDWORD longestName,
                            LPDWORD longestData,
                            LPDWORD security,
                            PFILETIME written) {
    return Through(Effect::None, [=] {
        return Real().queryInfoKey(key, keyClass, classCount, reserved, subKeys, longestSubKey, longestClass, values,
                                   longestName, longestData, security, written);
    });
}

LSTATUS WINAPI GetKeySecurity(HKEY key, SECURITY_INFORMATION parts, PSECURITY_DESCRIPTOR descriptor, LPDWORD size) {
    return Through(Effect::None, [=] { return Real().getKeySecurity(key, parts, descriptor, size); });
}

LSTATUS WINAPI SetKeySecurity(HKEY key, SECURITY_INFORMATION parts, PSECURITY_DESCRIPTOR descriptor) {
    return Through(Effect::Security, [=] {
        const SECURITY_INFORMATION refused = parts & g_state.plan.refusedSecurity;
        if (refused != 0) {
            return static_cast<LONG>((refused & OWNER_SECURITY_INFORMATION) != 0 ? ERROR_INVALID_OWNER
                                                                                 : ERROR_ACCESS_DENIED);
        }
        return Real().setKeySecurity(key, parts, descriptor);
    });
}

LONG OpenKeyCounted(HKEY parent, const wchar_t* name, DWORD nameCount, DWORD options, REGSAM rights, HKEY* result) {
    return ThroughKey(Effect::None, result, [=] {
        return RefuseDeletion(rights, Real().openKeyCounted(parent, name, nameCount, options, rights, result), result);
    });
}

LONG CreateKeyCounted(HKEY parent,
                      const wchar_t* name,
                      DWORD nameCount,
                      const wchar_t* keyClass,
                      DWORD classCount,
                      DWORD options,
                      REGSAM rights,
                      HKEY* result,
                      DWORD* disposition) {
    return ThroughKey(Effect::Changes, result, [=] {
        if (CreationDenied(parent, std::wstring(name, nameCount))) {
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        }
        return Real().createKeyCounted(parent, name, nameCount, keyClass, classCount, options, rights, result,
                                       disposition);
    });
}

LONG QueryValueCounted(HKEY key, const wchar_t* name, DWORD nameCount, DWORD* type, BYTE* data, DWORD* byteCount) {
    return Through(Effect::None, [=] { return Real().queryValueCounted(key, name, nameCount, type, data, byteCount); });
}

LONG SetValueCounted(HKEY key, const wchar_t* name, DWORD nameCount, DWORD type, const BYTE* data, DWORD byteCount) {
    return Through(Effect::Changes,
                   [=] { return Real().setValueCounted(key, name, nameCount, type, data, byteCount); });
}

LONG DeleteValueCounted(HKEY key, const wchar_t* name, DWORD nameCount) {
    return Through(Effect::Changes, [=] { return Real().deleteValueCounted(key, name, nameCount); });
}

LONG DeleteOpenKey(HKEY key) {
    return Through(Effect::Changes, [=] { return Real().deleteOpenKey(key); });
}

LONG QueryKeyFlags(HKEY key, DWORD* flags) {
    return Through(Effect::None, [=] { return Real().queryKeyFlags(key, flags); });
}

LONG QueryKeyName(HKEY key, wchar_t* name, DWORD* nameCount) {
    return Through(Effect::None, [=] { return Real().queryKeyName(key, name, nameCount); });
}

LONG LoadAppKey(const wchar_t* file, HKEY* key, REGSAM rights, DWORD options, DWORD reserved) {
    return Through(Effect::None, [=] { return Real().loadAppKey(file, key, rights, options, reserved); });
}

LONG LoadKey(HKEY parent, const wchar_t* name, const wchar_t* file) {
    return Through(Effect::Changes, [=] { return Real().loadKey(parent, name, file); });
}

LONG UnLoadKey(HKEY parent, const wchar_t* name) {
    return Through(Effect::Close, [=] { return Real().unLoadKey(parent, name); });
}

const RegistryApi kFaultyApi = {
    OpenKeyEx,        CreateKeyEx,       CloseKey,        QueryValueEx,       SetValueEx,     DeleteValue,
    EnumKeyEx,        EnumValue,         QueryInfoKey,    GetKeySecurity,     SetKeySecurity, OpenKeyCounted,
    CreateKeyCounted, QueryValueCounted, SetValueCounted, DeleteValueCounted, DeleteOpenKey,  QueryKeyFlags,
    QueryKeyName,     LoadAppKey,        LoadKey,         UnLoadKey,
};

const RegistryApi& Arm(FaultPlan plan) {
    g_state = State{std::move(plan), 0, 0, {}};
    g_underlyingRegistry = &Registry() != &kFaultyApi ? &Registry() : g_underlyingRegistry;
    return kFaultyApi;
}

HRESULT AsResult(LONG error) {
    return HRESULT_FROM_WIN32(static_cast<unsigned long>(error));
}

template <typename Call>
HRESULT ThroughCom(Effect effect, Call call) {
    bool runFirst = false;
    const LONG error = NextCall(effect, runFirst);
    if (error == ERROR_SUCCESS) {
        return call();
    }
    if (runFirst) {
        call();
    }
    return AsResult(error);
}

// The scheduler the faults are injected into: the one in use when they were armed (the real one, or
// a test's stand-in for a scheduler that behaves otherwise).
const TaskFileApi* g_underlyingTasks = nullptr;

const TaskFileApi& RealTasks() {
    return g_underlyingTasks != nullptr ? *g_underlyingTasks : RealTaskFileApi();
}

HRESULT CreateScheduler(ITaskScheduler** scheduler) {
    return ThroughCom(Effect::None, [=] { return RealTasks().createScheduler(scheduler); });
}

HRESULT Activate(ITaskScheduler* scheduler, LPCWSTR name, IUnknown** item) {
    return ThroughCom(Effect::None, [=] { return RealTasks().activate(scheduler, name, item); });
}

HRESULT GetFlags(ITask* task, DWORD* flags) {
    return ThroughCom(Effect::None, [=] { return RealTasks().getFlags(task, flags); });
}

HRESULT SetFlags(ITask* task, DWORD flags) {
    return ThroughCom(Effect::Changes, [=] { return RealTasks().setFlags(task, flags); });
}

HRESULT Save(IPersistFile* file) {
    return ThroughCom(Effect::Changes, [=] { return RealTasks().save(file); });
}

// A call answering true or false: a failing one answers false with the error as the last error.
template <typename Call>
bool ThroughBool(Effect effect, Call call) {
    bool runFirst = false;
    const LONG error = NextCall(effect, runFirst);
    if (error == ERROR_SUCCESS) {
        return call();
    }
    if (runFirst) {
        call();
    }
    ::SetLastError(static_cast<DWORD>(error));
    return false;
}

BOOL DeleteFileCall(LPCWSTR path) {
    return ThroughBool(Effect::Changes, [=] { return RealTasks().deleteFile(path) != FALSE; }) ? TRUE : FALSE;
}

HRESULT ConnectService(ITaskService** service) {
    return ThroughCom(Effect::None, [=] { return RealTasks().connectService(service); });
}

HRESULT GetFolder(ITaskService* service, const wchar_t* path, ITaskFolder** folder) {
    return ThroughCom(Effect::None, [=] { return RealTasks().getFolder(service, path, folder); });
}

HRESULT FolderNames(ITaskFolder* folder, std::vector<std::wstring>* names) {
    return ThroughCom(Effect::None, [=] { return RealTasks().folderNames(folder, names); });
}

HRESULT TaskNames(ITaskFolder* folder, std::vector<std::wstring>* names) {
    return ThroughCom(Effect::None, [=] { return RealTasks().taskNames(folder, names); });
}

HRESULT GetTask(ITaskFolder* folder, const wchar_t* name, IRegisteredTask** task) {
    return ThroughCom(Effect::None, [=] { return RealTasks().getTask(folder, name, task); });
}

HRESULT GetEnabled(IRegisteredTask* task, VARIANT_BOOL* enabled) {
    return ThroughCom(Effect::None, [=] { return RealTasks().getEnabled(task, enabled); });
}

HRESULT PutEnabled(IRegisteredTask* task, VARIANT_BOOL enabled) {
    return ThroughCom(Effect::Changes, [=] { return RealTasks().putEnabled(task, enabled); });
}

HRESULT GetXml(IRegisteredTask* task, BSTR* xml) {
    return ThroughCom(Effect::None, [=] { return RealTasks().getXml(task, xml); });
}

HRESULT DeleteServiceTask(ITaskFolder* folder, const wchar_t* name) {
    return ThroughCom(Effect::Changes, [=] { return RealTasks().deleteTask(folder, name); });
}

bool ReadFileCall(const wchar_t* path, std::string* bytes) {
    return ThroughBool(Effect::None, [=] { return RealTasks().readFile(path, bytes); });
}

bool WriteNewFile(const wchar_t* path, const std::string& bytes) {
    return ThroughBool(Effect::Changes, [=, &bytes] { return RealTasks().writeNewFile(path, bytes); });
}

bool ReplaceFileCall(const wchar_t* path, const std::string& bytes) {
    return ThroughBool(Effect::Changes, [=, &bytes] { return RealTasks().replaceFile(path, bytes); });
}

HRESULT RegisterTask(ITaskFolder* folder, const wchar_t* name, const wchar_t* xml, TASK_LOGON_TYPE logon, bool create) {
    return ThroughCom(Effect::Changes, [=] { return RealTasks().registerTask(folder, name, xml, logon, create); });
}

bool MoveFileCall(const wchar_t* from, const wchar_t* to) {
    return ThroughBool(Effect::Changes, [=] { return RealTasks().moveFile(from, to); });
}

bool CreateFolderCall(const wchar_t* path) {
    return ThroughBool(Effect::Changes, [=] { return RealTasks().createFolder(path); });
}

bool RemoveFolderCall(const wchar_t* path) {
    return ThroughBool(Effect::Changes, [=] { return RealTasks().removeFolder(path); });
}

const TaskFileApi kFaultyTaskApi = {
    .createScheduler = CreateScheduler,
    .activate = Activate,
    .getFlags = GetFlags,
    .setFlags = SetFlags,
    .save = Save,
    .deleteFile = DeleteFileCall,
    .connectService = ConnectService,
    .getFolder = GetFolder,
    .folderNames = FolderNames,
    .taskNames = TaskNames,
    .getTask = GetTask,
    .getEnabled = GetEnabled,
    .putEnabled = PutEnabled,
    .getXml = GetXml,
    .deleteTask = DeleteServiceTask,
    .registerTask = RegisterTask,
    .readFile = ReadFileCall,
    .writeNewFile = WriteNewFile,
    .replaceFile = ReplaceFileCall,
    .moveFile = MoveFileCall,
    .createFolder = CreateFolderCall,
    .removeFolder = RemoveFolderCall,
};

const TaskFileApi& ArmTasks(FaultPlan plan) {
    g_state = State{std::move(plan), 0, 0, {}};
    g_underlyingTasks = &TaskFiles();
    return kFaultyTaskApi;
}

}  // namespace

TaskFaultInjection::TaskFaultInjection(FaultPlan plan) : scope_(ArmTasks(std::move(plan))) {}

TaskFaultInjection::~TaskFaultInjection() = default;

int TaskFaultInjection::calls() const {
    return g_state.calls;
}

int TaskFaultInjection::injected() const {
    return g_state.injected;
}

const std::vector<FaultInjection::CallKind>& TaskFaultInjection::kinds() const {
    return g_state.kinds;
}

FaultInjection::FaultInjection(FaultPlan plan) : scope_(Arm(std::move(plan))) {}

FaultInjection::FaultInjection(int failAt, bool persistent, LONG error)
    : FaultInjection([&] {
          FaultPlan plan;
          plan.failAt = failAt > 0 ? std::vector<int>{failAt} : std::vector<int>{};
          plan.persistent = persistent;
          plan.error = error;
          return plan;
      }()) {}

FaultInjection::~FaultInjection() = default;

int FaultInjection::calls() const {
    return g_state.calls;
}

int FaultInjection::injected() const {
    return g_state.injected;
}

const std::vector<FaultInjection::CallKind>& FaultInjection::kinds() const {
    return g_state.kinds;
}

}  // namespace tarn::test
