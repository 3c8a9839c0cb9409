#pragma once

#include "model/autorun_base.h"
#include "win/wmi_source.h"

#include <string>
#include <vector>

namespace tarn {

// "WMI 订阅": permanent WMI event subscriptions, one entry per filter-to-consumer binding in any
// namespace, with what its consumer runs and its filter's query.
class CTarnAutoRunWmiSubscriptions : public CTarnAutoRunBase {
public:
    using CTarnAutoRunBase::CTarnAutoRunBase;

    int32_t Enumerate() override;

private:
    // The namespaces to look in: the two that usually hold subscriptions, then every other one
    // below "root".
    std::vector<std::wstring> Namespaces();
    void AddBinding(const std::wstring& ns, const WmiObject& binding);
    // Tells once per scan that subscriptions cannot be read.
    void CannotRead(const std::wstring& ns, HRESULT hr);

    bool toldCannotRead_ = false;
};

}  // namespace tarn
