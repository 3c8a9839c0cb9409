#include "model/service_walk.h"

#include "base/registry_names.h"
#include "base/system_keys.h"
#include "model/autorun_base.h"
#include "model/registry_walk.h"

namespace tarn {

std::vector<ServiceKeyRecord> ReadServiceKeys(RegKey& services) {
    std::vector<ServiceKeyRecord> records;
    ForEachSubKeyName(services, [&](const std::wstring& name) {
        ServiceKeyRecord record;
        record.name = name;
        RegKey service;
        if (service.OpenRead(services.handle(), name)) {
            record.opened = true;
            ForEachValue(service, [&](const RegValue& value) {
                if (SameRegistryName(value.name, L"ObjectName")) {
                    record.hasObjectName = true;
                } else if (SameRegistryName(value.name, L"Start")) {
                    record.start = DwordOf(value);
                } else if (SameRegistryName(value.name, kStoreName)) {
                    record.kept = DwordOf(value);
                } else if (SameRegistryName(value.name, L"ImagePath")) {
                    record.imagePath = TextOf(value);
                }
            });
            RegKey parameters;
            if (record.hasObjectName && parameters.OpenRead(service.handle(), L"Parameters")) {
                const auto dll = FindValue(parameters, L"ServiceDll");
                if (dll.found()) {
                    record.serviceDll = TextOf(dll.item);
                }
            }
        }
        records.push_back(std::move(record));
    });
    return records;
}

const std::optional<std::vector<ServiceKeyRecord>>& ServiceWalk::Records() {
    std::call_once(once_, [this] {
        RegKey services;
        if (services.OpenRead(HKEY_LOCAL_MACHINE, kServicesPath)) {
            records_ = ReadServiceKeys(services);
        }
    });
    return records_;
}

}  // namespace tarn
