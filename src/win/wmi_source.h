#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace tarn {

// One WMI object as the subscription category reads and keeps it: its path within its namespace
// ("Class.Key=…", as __RELPATH gives it), its class, its properties that hold text or a number (as
// text), and its MOF text.
struct WmiObject {
    std::wstring path;
    std::wstring className;
    std::vector<std::pair<std::wstring, std::wstring>> properties;
    std::wstring mof;

    // The property's text; empty when it has none.
    std::wstring Text(const wchar_t* name) const;
};

// What the subscription category asks of WMI, replaceable so that tests can give it objects that
// Wine's WMI cannot hold. Each call answers the HRESULT of the WMI call it stands for.
class WmiSource {
public:
    WmiSource() = default;
    virtual ~WmiSource() = default;
    WmiSource(const WmiSource&) = delete;
    WmiSource& operator=(const WmiSource&) = delete;

    // The full names of the namespaces right below `ns` ("root\\subscription" below "root").
    virtual HRESULT ChildNamespaces(const std::wstring& ns, std::vector<std::wstring>& names) = 0;
    // Every instance of `className` and its subclasses in `ns`.
    virtual HRESULT Instances(const std::wstring& ns, const std::wstring& className, std::vector<WmiObject>& found) = 0;
    // One object by its path in `ns`.
    virtual HRESULT Object(const std::wstring& ns, const std::wstring& path, WmiObject& object) = 0;
    virtual HRESULT Delete(const std::wstring& ns, const std::wstring& path) = 0;
};

// The source in use now: this machine's WMI unless a scope installed another.
WmiSource& Wmi();

// Installs another source for the life of the scope.
class ScopedWmiSource {
public:
    explicit ScopedWmiSource(WmiSource& source);
    ~ScopedWmiSource();
    ScopedWmiSource(const ScopedWmiSource&) = delete;
    ScopedWmiSource& operator=(const ScopedWmiSource&) = delete;

private:
    WmiSource* previous_;
};

// The same object path however it is written: the namespace part before a colon dropped, letters
// compared without regard to case.
bool SameWmiPath(const std::wstring& a, const std::wstring& b);

}  // namespace tarn
