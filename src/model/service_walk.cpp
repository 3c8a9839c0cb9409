#include "model/service_walk.h"

#include "base/system_keys.h"
#include "model/autorun_base.h"
#include "model/registry_walk.h"

namespace tarn {

namespace {

// One named value, read directly: a key holds many more values than the walk asks for. The
// buffer is reused from value to value; the value gets exactly the bytes the registry returned.
std::optional<RegValue> ReadNamed(RegKey& key, const wchar_t* name, std::vector<BYTE>& buffer) {
    RegValue value;
    DWORD byteCount = 0;
    if (!key.QueryValue(name, buffer, value.type, byteCount)) {
        return std::nullopt;
    }
    value.name = name;
    value.bytes.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(byteCount));
    return value;
}

}  // namespace

ServiceKeys ReadServiceKeys(RegKey& services) {
    ServiceKeys keys;
    std::vector<ServiceKeyRecord>& records = keys.records;
    std::vector<BYTE> buffer;
    keys.failure = ForEachSubKeyName(services, [&](const std::wstring& name) {
        ServiceKeyRecord record;
        record.name = name;
        RegKey service;
        if (!service.OpenRead(services.handle(), name)) {
            record.openStatus = service.status();
        } else {
            record.opened = true;
            record.hasObjectName = ReadNamed(service, L"ObjectName", buffer).has_value();
            if (const auto start = ReadNamed(service, L"Start", buffer)) {
                record.start = DwordOf(*start);
            }
            if (const auto kept = ReadNamed(service, kStoreName, buffer)) {
                record.kept = DwordOf(*kept);
            }
            if (const auto image = ReadNamed(service, L"ImagePath", buffer)) {
                record.imagePath = TextOf(*image);
            }
            if (const auto command = ReadNamed(service, L"FailureCommand", buffer)) {
                record.failureCommand = TextOf(*command);
            }
            if (const auto actions = ReadNamed(service, L"FailureActions", buffer)) {
                record.failureActions = actions->bytes;
            }
            RegKey store;
            if (store.OpenRead(service.handle(), kStoreName)) {
                if (const auto command = ReadNamed(store, L"FailureCommand", buffer)) {
                    record.storedFailureCommand = TextOf(*command);
                }
            }
            RegKey parameters;
            if (record.hasObjectName && parameters.OpenRead(service.handle(), L"Parameters")) {
                if (const auto dll = ReadNamed(parameters, L"ServiceDll", buffer)) {
                    record.serviceDll = TextOf(*dll);
                }
            }
        }
        records.push_back(std::move(record));
    });
    return keys;
}

ServiceKeys WalkServiceKeys() {
    RegKey services;
    if (!services.OpenRead(HKEY_LOCAL_MACHINE, kServicesPath)) {
        ServiceKeys none;
        none.failure = services.status() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : services.status();
        return none;
    }
    return ReadServiceKeys(services);
}

const ServiceKeys& ServiceWalk::Keys() {
    std::call_once(once_, [this] { keys_ = WalkServiceKeys(); });
    return keys_;
}

}  // namespace tarn
