#include "model/services.h"

#include "base/failure_actions.h"
#include "base/key_text.h"
#include "base/system_keys.h"
#include "model/service_walk.h"

#include <optional>

namespace tarn {

namespace {

constexpr DWORD kStartDisabled = 4;

}  // namespace

int32_t CTarnAutoRunServiceKeys::Enumerate() {
    // In a scan, services and drivers share one walk of the Services key.
    if (const auto walk = CurrentServiceWalk()) {
        AddServiceKeys(walk->Keys());
    } else {
        AddServiceKeys(WalkServiceKeys());
    }
    return 0;
}

void CTarnAutoRunServiceKeys::AddServiceKeys(const ServiceKeys& keys) {
    const ReadContext at = LiveContext(HKEY_LOCAL_MACHINE, L"HKLM", kServicesPath, RegistryView::Native);
    if (keys.failure != ERROR_SUCCESS) {
        Unreadable(at.location, keys.failure);
    }
    for (const ServiceKeyRecord& record : keys.records) {
        if (!record.opened) {
            // Nothing tells whether it is a service or a driver: both categories say so.
            if (record.openStatus != ERROR_FILE_NOT_FOUND) {
                Unreadable(JoinKeyText(at.location, record.name), record.openStatus);
            }
            continue;
        }
        if (record.hasObjectName == listsDrivers_) {
            continue;
        }
        // A kept start type counts only while the service is switched off: with any other "Start"
        // Windows starts the service, and the kept value is stale.
        const bool started = record.start && *record.start != kStartDisabled;
        const bool stored = !started && record.kept && *record.kept != kStartDisabled;
        if (!started && !stored) {
            continue;
        }
        ReadContext recordAt = at;
        recordAt.pass = stored ? 1 : 0;
        AutoRunEntry entry = NewEntry(recordAt);
        entry.name = record.name;
        entry.subKeyName = record.name;
        entry.keyPath = JoinKeyText(at.location, record.name);
        entry.locateKind = LocateKey;
        entry.entryKind = KindService;
        // A shared-host service is known by its DLL; one whose DLL cannot be resolved falls back
        // to the host's command.
        if (!listsDrivers_ && record.serviceDll) {
            AutoRunEntry byDll = entry;
            byDll.commandLine = *record.serviceDll;
            if (ResolveStrictly(byDll, *record.serviceDll)) {
                Add(std::move(byDll), recordAt);
                continue;
            }
        }
        if (record.imagePath) {
            entry.commandLine = *record.imagePath;
            AddResolved(std::move(entry), *record.imagePath, recordAt);
        }
    }
    if (!listsDrivers_) {
        AddFailureCommands(keys, at);
    }
}

void CTarnAutoRunServiceKeys::AddFailureCommands(const ServiceKeys& keys, const ReadContext& services) {
    for (const ServiceKeyRecord& record : keys.records) {
        const std::pair<const std::optional<std::wstring>*, int32_t> commands[] = {{&record.failureCommand, 0},
                                                                                   {&record.storedFailureCommand, 1}};
        for (const auto& [command, pass] : commands) {
            if (!*command) {
                continue;
            }
            // A value entry of the service's key, moved to the service's store as Run values move.
            ReadContext at = services;
            at.pass = pass;
            at.liveKeyText = JoinKeyText(services.location, record.name);
            at.location = at.liveKeyText;
            AutoRunEntry entry = NewEntry(at);
            entry.name = record.name + L" (FailureCommand)";
            entry.valueName = L"FailureCommand";
            entry.keyPath = at.liveKeyText;
            entry.commandLine = **command;
            entry.entryKind = KindValue;
            entry.locateKind = LocateValue;
            const std::wstring actions = FailureActionsText(record.failureActions.data(), record.failureActions.size());
            entry.details = L"失败操作：" + (actions.empty() ? std::wstring(L"无") : actions);
            AddResolved(std::move(entry), **command, at);
        }
    }
}

}  // namespace tarn
