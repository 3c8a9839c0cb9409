// Tasks the scheduler keeps in its registry cache but does not return through its interfaces (a
// task whose security descriptor was removed is hidden so): listed from the cache itself.
#include "model/scheduled_tasks.h"

#include "base/key_text.h"
#include "base/registry_names.h"
#include "base/store_name.h"
#include "base/task_cache_actions.h"

namespace tarn {

namespace {

constexpr wchar_t kTaskCache[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache";
constexpr int kMaxTreeDepth = 32;

std::wstring CachedActionText(const CachedTaskAction& action) {
    switch (action.kind) {
        case CachedActionKind::Email:
            return L"发送电子邮件（已弃用的操作）";
        case CachedActionKind::Message:
            return L"显示消息（已弃用的操作）";
        default:
            return L"未知的操作";
    }
}

}  // namespace

void CTarnAutoRunScheduledTasks::ListCachedTasks() {
    const std::wstring tree = std::wstring(kTaskCache) + L"\\Tree";
    RegKey top;
    if (!OpenOrReport(top, HKEY_LOCAL_MACHINE, tree, JoinKeyText(L"HKLM", tree))) {
        return;
    }
    top.Close();
    WalkCachedFolder(tree, L"", 0);
}

void CTarnAutoRunScheduledTasks::WalkCachedFolder(const std::wstring& keyPath, const std::wstring& taskPath, int depth) {
    RegKey key;
    const std::wstring place = JoinKeyText(L"HKLM", keyPath);
    if (!OpenOrReport(key, HKEY_LOCAL_MACHINE, keyPath, place)) {
        return;
    }
    SubKeysOf(key, place, [&](const std::wstring& name) {
        if (SameRegistryName(name, kStoreName)) {
            return;
        }
        const std::wstring childKey = JoinKeyText(keyPath, name);
        const std::wstring childTask = taskPath + L"\\" + name;
        RegKey child;
        if (!OpenOrReport(child, HKEY_LOCAL_MACHINE, childKey, JoinKeyText(L"HKLM", childKey))) {
            return;
        }
        const auto id = FindValue(child, L"Id");
        if (id.found() && servicePaths_.count(FoldRegistryName(childTask)) == 0) {
            AddCachedTask(childTask, JoinKeyText(L"HKLM", childKey), TextOf(id.item));
        }
        if (depth + 1 < kMaxTreeDepth) {
            WalkCachedFolder(childKey, childTask, depth + 1);
        }
    });
}

void CTarnAutoRunScheduledTasks::AddCachedTask(const std::wstring& taskPath,
                                               const std::wstring& treeKeyText,
                                               const std::wstring& id) {
    ReadContext at;
    at.location = treeKeyText;
    AutoRunEntry pattern = NewEntry(at);
    pattern.name = taskPath;
    pattern.keyPath = treeKeyText;
    pattern.valueName = id;
    pattern.entryKind = KindCachedTask;
    pattern.hiddenFromScheduler = true;
    CachedTaskActions actions;
    actions.complete = false;
    RegKey definition;
    const std::wstring definitionPath = std::wstring(kTaskCache) + L"\\Tasks\\" + id;
    if (!id.empty() && id.find(L'\\') == std::wstring::npos &&
        definition.OpenRead(HKEY_LOCAL_MACHINE, definitionPath)) {
        const auto value = FindValue(definition, L"Actions");
        if (value.found()) {
            actions = DecodeCachedTaskActions(value.item.bytes.data(), value.item.bytes.size());
        }
    }
    for (const CachedTaskAction& action : actions.actions) {
        AutoRunEntry entry = pattern;
        switch (action.kind) {
            case CachedActionKind::Exec: {
                entry.commandLine = action.arguments.empty() ? action.command : action.command + L" " + action.arguments;
                const std::wstring program =
                    !action.command.empty() && action.command.front() == L'"' ? action.command : L"\"" + action.command + L"\"";
                AddResolved(std::move(entry), program, at, LocationFolder);
                break;
            }
            case CachedActionKind::ComHandler:
                AddComHandler(std::move(entry), action.clsid, at);
                break;
            default:
                entry.startsNoFile = true;
                entry.commandLine = CachedActionText(action);
                Add(std::move(entry), at, LocationFolder);
                break;
        }
    }
    // Still listed when its actions cannot be read whole: the scheduler may run it all the same.
    if (!actions.complete) {
        AutoRunEntry entry = pattern;
        entry.startsNoFile = true;
        entry.commandLine = L"无法读取任务的操作";
        Add(std::move(entry), at, LocationFolder);
    }
}

}  // namespace tarn
