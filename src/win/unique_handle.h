#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace tarn {

// One move-only owner for every kind of handle; the traits say what "none" is and how to close.
template <typename Traits>
class UniqueAny {
public:
    using pointer = typename Traits::pointer;

    UniqueAny() noexcept = default;
    explicit UniqueAny(pointer value) noexcept : value_(value) {}
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    pointer get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

    void reset(pointer value = Traits::invalid()) noexcept {
        pointer old = std::exchange(value_, value);
        if (old != Traits::invalid()) {
            Traits::close(old);
        }
    }

    // For out-parameters: closes what is held and hands out the slot.
    pointer* put() noexcept {
        reset();
        return &value_;
    }

private:
    pointer value_ = Traits::invalid();
};

namespace handle_traits {

struct FileHandle {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct KernelHandle {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct FindHandle {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::FindClose(h); }
};

struct Hicon {
    using pointer = HICON;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DestroyIcon(h); }
};

struct Hmodule {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::FreeLibrary(h); }
};

// A font, bitmap or other drawing object.
template <typename Object>
struct GdiObject {
    using pointer = Object;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DeleteObject(h); }
};

struct ImageList {
    using pointer = HIMAGELIST;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::ImageList_Destroy(h); }
};

}  // namespace handle_traits

using unique_file = UniqueAny<handle_traits::FileHandle>;
using unique_handle = UniqueAny<handle_traits::KernelHandle>;
using unique_find = UniqueAny<handle_traits::FindHandle>;
using unique_hicon = UniqueAny<handle_traits::Hicon>;
using unique_hmodule = UniqueAny<handle_traits::Hmodule>;
using unique_hfont = UniqueAny<handle_traits::GdiObject<HFONT>>;
using unique_hbitmap = UniqueAny<handle_traits::GdiObject<HBITMAP>>;
using unique_himagelist = UniqueAny<handle_traits::ImageList>;

}  // namespace tarn
