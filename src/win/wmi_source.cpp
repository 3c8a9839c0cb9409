#include "win/wmi_source.h"

#include "base/key_text.h"
#include "win/com_ptr.h"

#include <wbemidl.h>

#include <atomic>

namespace tarn {

namespace {

// A WMI service that stops answering does not hold the scan.
constexpr LONG kNextTimeoutMs = 10000;
constexpr LONG kEnumFlags = static_cast<LONG>(WBEM_FLAG_DEEP) | static_cast<LONG>(WBEM_FLAG_FORWARD_ONLY);

// COM on the calling thread for the life of the scope, in whatever apartment the thread has.
class WmiApartment {
public:
    WmiApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~WmiApartment() {
        if (SUCCEEDED(hr_)) {
            ::CoUninitialize();
        }
    }
    WmiApartment(const WmiApartment&) = delete;
    WmiApartment& operator=(const WmiApartment&) = delete;

    bool ok() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

// A VARIANT cleared on every way out.
struct Variant {
    VARIANT v;
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// The text of a property that holds text or a number; nothing for arrays, objects and nulls.
bool TextOfVariant(const VARIANT& value, std::wstring& text) {
    if (value.vt == VT_BSTR) {
        text = value.bstrVal != nullptr ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : L"";
        return true;
    }
    Variant converted;
    if ((value.vt & (VT_ARRAY | VT_BYREF)) != 0 || value.vt == VT_NULL || value.vt == VT_EMPTY ||
        value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH ||
        FAILED(::VariantChangeType(&converted.v, const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
        return false;
    }
    text = converted.v.bstrVal != nullptr ? std::wstring(converted.v.bstrVal, ::SysStringLen(converted.v.bstrVal)) : L"";
    return true;
}

std::wstring SystemProperty(IWbemClassObject& object, const wchar_t* name) {
    Variant value;
    std::wstring text;
    if (SUCCEEDED(object.Get(name, 0, &value.v, nullptr, nullptr))) {
        TextOfVariant(value.v, text);
    }
    return text;
}

WmiObject Read(IWbemClassObject& object) {
    WmiObject read;
    read.path = SystemProperty(object, L"__RELPATH");
    read.className = SystemProperty(object, L"__CLASS");
    if (SUCCEEDED(object.BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) {
        for (;;) {
            unique_bstr name;
            Variant value;
            if (object.Next(0, name.put(), &value.v, nullptr, nullptr) != WBEM_S_NO_ERROR) {
                break;
            }
            std::wstring text;
            if (TextOfVariant(value.v, text)) {
                read.properties.emplace_back(name.text(), std::move(text));
            }
        }
        object.EndEnumeration();
    }
    unique_bstr mof;
    if (SUCCEEDED(object.GetObjectText(0, mof.put()))) {
        read.mof = mof.text();
    }
    return read;
}

// This machine's WMI, one connection per call.
class MachineWmi final : public WmiSource {
public:
    HRESULT ChildNamespaces(const std::wstring& ns, std::vector<std::wstring>& names) override {
        std::vector<WmiObject> found;
        const HRESULT hr = Instances(ns, L"__NAMESPACE", found);
        for (const WmiObject& child : found) {
            const std::wstring name = child.Text(L"Name");
            if (!name.empty()) {
                names.push_back(ns + L"\\" + name);
            }
        }
        return hr;
    }

    HRESULT Instances(const std::wstring& ns, const std::wstring& className, std::vector<WmiObject>& found) override {
        const WmiApartment apartment;
        com_ptr<IWbemServices> services;
        HRESULT hr = Connect(apartment, ns, services);
        com_ptr<IEnumWbemClassObject> objects;
        if (SUCCEEDED(hr)) {
            hr = services->CreateInstanceEnum(unique_bstr(className).get(), kEnumFlags,
                                              nullptr, objects.put());
        }
        while (SUCCEEDED(hr)) {
            com_ptr<IWbemClassObject> object;
            ULONG count = 0;
            hr = objects->Next(kNextTimeoutMs, 1, object.put(), &count);
            if (hr == WBEM_S_TIMEDOUT) {
                return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
            }
            if (hr != WBEM_S_NO_ERROR || count == 0) {
                return FAILED(hr) ? hr : S_OK;
            }
            found.push_back(Read(*object));
        }
        return hr;
    }

    HRESULT Object(const std::wstring& ns, const std::wstring& path, WmiObject& object) override {
        const WmiApartment apartment;
        com_ptr<IWbemServices> services;
        HRESULT hr = Connect(apartment, ns, services);
        com_ptr<IWbemClassObject> read;
        if (SUCCEEDED(hr)) {
            hr = services->GetObject(unique_bstr(path).get(), 0, nullptr, read.put(), nullptr);
        }
        if (SUCCEEDED(hr)) {
            object = Read(*read);
        }
        return hr;
    }

    HRESULT Delete(const std::wstring& ns, const std::wstring& path) override {
        const WmiApartment apartment;
        com_ptr<IWbemServices> services;
        HRESULT hr = Connect(apartment, ns, services);
        if (SUCCEEDED(hr)) {
            hr = services->DeleteInstance(unique_bstr(path).get(), 0, nullptr, nullptr);
        }
        return hr;
    }

private:
    static HRESULT Connect(const WmiApartment& apartment, const std::wstring& ns, com_ptr<IWbemServices>& services) {
        if (!apartment.ok()) {
            return CO_E_NOTINITIALIZED;
        }
        com_ptr<IWbemLocator> locator;
        HRESULT hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                        reinterpret_cast<void**>(locator.put()));
        if (SUCCEEDED(hr)) {
            hr = locator->ConnectServer(unique_bstr(ns).get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                        services.put());
        }
        if (SUCCEEDED(hr)) {
            // The process's own identity, for a local call; a proxy that refuses keeps its defaults.
            ::CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
        }
        return hr;
    }
};

std::atomic<WmiSource*>& Slot() {
    static MachineWmi machine;
    static std::atomic<WmiSource*> slot{&machine};
    return slot;
}

std::wstring WithoutNamespace(const std::wstring& path) {
    // A colon before the first quote separates the namespace; one inside a key's text does not.
    const std::size_t quote = path.find(L'"');
    const std::size_t colon = path.find(L':');
    return colon != std::wstring::npos && colon < quote ? path.substr(colon + 1) : path;
}

}  // namespace

std::wstring WmiObject::Text(const wchar_t* name) const {
    for (const auto& [property, text] : properties) {
        if (EqualsNoCaseAscii(property, name)) {
            return text;
        }
    }
    return {};
}

WmiSource& Wmi() {
    return *Slot().load(std::memory_order_acquire);
}

ScopedWmiSource::ScopedWmiSource(WmiSource& source)
    : previous_(Slot().exchange(&source, std::memory_order_acq_rel)) {}

ScopedWmiSource::~ScopedWmiSource() {
    Slot().store(previous_, std::memory_order_release);
}

bool SameWmiPath(const std::wstring& a, const std::wstring& b) {
    return EqualsNoCaseAscii(WithoutNamespace(a), WithoutNamespace(b));
}

}  // namespace tarn
