#pragma once

#include <objbase.h>
#include <oleauto.h>

#include <string>

#include <utility>

namespace tarn {

// Owning COM interface pointer; Release on destruction, move-only.
template <typename T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    ~com_ptr() { reset(); }

    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void reset() noexcept {
        if (p_ != nullptr) {
            std::exchange(p_, nullptr)->Release();
        }
    }

    T** put() noexcept {
        reset();
        return &p_;
    }

    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Hands the reference out.
    T* release() noexcept { return std::exchange(p_, nullptr); }

    template <typename U>
    HRESULT query_to(com_ptr<U>& out) const noexcept {
        return p_->QueryInterface(__uuidof(U), out.put_void());
    }

private:
    T* p_ = nullptr;
};

// COM apartment for the current scope; uninitialises only what it initialised.
class ComApartment {
public:
    ComApartment() noexcept : hr_(::CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) {
            ::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

// A BSTR of ours, freed on every way out.
class unique_bstr {
public:
    unique_bstr() = default;
    explicit unique_bstr(const std::wstring& text)
        : text_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~unique_bstr() { ::SysFreeString(text_); }
    unique_bstr(const unique_bstr&) = delete;
    unique_bstr& operator=(const unique_bstr&) = delete;

    BSTR get() const { return text_; }
    BSTR* put() {
        ::SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    std::wstring text() const { return text_ != nullptr ? std::wstring(text_, ::SysStringLen(text_)) : std::wstring(); }

private:
    BSTR text_ = nullptr;
};

}  // namespace tarn
