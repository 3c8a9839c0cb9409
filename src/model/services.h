#pragma once

#include "model/autorun_base.h"

#include <string>

namespace tarn {

// The service keys, told apart into services ("ObjectName" present) and drivers (absent). A
// service switched off stays in place and carries a "TarnAutoRunDisable" value instead.
class CTarnAutoRunServiceKeys : public CTarnAutoRunBase {
public:
    int32_t Enumerate() override;
    int32_t EnumerateOpenKey() override;

    // 1 when the key below HKLM has a value "ObjectName"; 0 otherwise or when it cannot be opened.
    int32_t HasObjectName(const std::wstring& relPath);
    // 1 when the service starts ("Start" other than 4) or was switched off here (store value other
    // than 4, which also makes this a store-pass record).
    int32_t IsStartListed(const std::wstring& relPath);
    int32_t ReadImagePath(const std::wstring& relPath);
    int32_t ReadServiceDll(const std::wstring& relPath);

protected:
    explicit CTarnAutoRunServiceKeys(bool listsDrivers) : listsDrivers_(listsDrivers) {}

private:
    int32_t ReadCommandValue(const std::wstring& keyPath, const wchar_t* valueName);

    bool listsDrivers_;
};

// "系统服务"
class CTarnAutoRunServices : public CTarnAutoRunServiceKeys {
public:
    CTarnAutoRunServices() : CTarnAutoRunServiceKeys(false) {}
};

// "驱动服务"
class CTarnAutoRunDrivers : public CTarnAutoRunServiceKeys {
public:
    CTarnAutoRunDrivers() : CTarnAutoRunServiceKeys(true) {}
};

}  // namespace tarn
