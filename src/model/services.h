#pragma once

#include "model/autorun_base.h"
#include "model/service_walk.h"

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The service keys, told apart into services ("ObjectName" present) and drivers (absent). A
// service switched off stays in place and carries a "TarnAutoRunDisable" value instead. A
// service's failure command is an entry of its own, switched as a value.
class CTarnAutoRunServiceKeys : public CTarnAutoRunBase {
public:
    int32_t Enumerate() override;

protected:
    CTarnAutoRunServiceKeys(EntryFiles& files, bool listsDrivers)
        : CTarnAutoRunBase(files), listsDrivers_(listsDrivers) {}

private:
    // Lists the services (or drivers) among the walked service keys, in walk order.
    void AddServiceKeys(const ServiceKeys& keys);
    // Each service's "FailureCommand", live and switched off, as an entry of its own.
    void AddFailureCommands(const ServiceKeys& keys, const ReadContext& services);

    bool listsDrivers_;
};

// "系统服务"
class CTarnAutoRunServices : public CTarnAutoRunServiceKeys {
public:
    explicit CTarnAutoRunServices(EntryFiles& files) : CTarnAutoRunServiceKeys(files, false) {}
};

// "驱动服务"
class CTarnAutoRunDrivers : public CTarnAutoRunServiceKeys {
public:
    explicit CTarnAutoRunDrivers(EntryFiles& files) : CTarnAutoRunServiceKeys(files, true) {}
};

}  // namespace tarn
