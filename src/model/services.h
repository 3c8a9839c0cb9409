#pragma once

#include "model/autorun_base.h"
#include "model/service_walk.h"

#include <optional>
#include <string>
#include <vector>

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
    CTarnAutoRunServiceKeys(EntryFiles& files, bool listsDrivers)
        : CTarnAutoRunBase(files), listsDrivers_(listsDrivers) {}

private:
    // Lists the services (or drivers) among the walked service keys, in walk order.
    void AddServiceKeys(const std::vector<ServiceKeyRecord>& records);
    // Whether the start values list the service; a kept one makes this a store-pass record.
    bool StartListed(std::optional<DWORD> start, std::optional<DWORD> kept);
    // Resolves a command into the record being built and adds it; false when it does not resolve.
    // `strictly`: the command has another to fall back on, so it is never kept unresolved.
    bool AddCommand(const std::wstring& data, bool strictly = false);
    int32_t ReadCommandValue(const std::wstring& keyPath, const wchar_t* valueName);

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
