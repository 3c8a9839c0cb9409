#include "win/dpi.h"

#include "win/system_library.h"

namespace tarn {

UINT WindowDpi(HWND window) {
    // Windows 10 1607 and later; older ones scale every window by the system's DPI.
    UINT(WINAPI * getDpiForWindow)(HWND) = nullptr;
    ResolveEntryPoint(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow", getDpiForWindow);
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window)) {
            return dpi;
        }
    }
    UINT dpi = kBaseDpi;
    if (const HDC screen = ::GetDC(nullptr)) {
        dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY));
        ::ReleaseDC(nullptr, screen);
    }
    return dpi != 0 ? dpi : kBaseDpi;
}

void ScaleDialogOurselves(HWND dialog) {
    // Windows 10 1703 and later scale a dialog's children themselves unless told not to.
    BOOL(WINAPI * setBehavior)(HWND, DWORD, DWORD) = nullptr;
    ResolveEntryPoint(::GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior", setBehavior);
    constexpr DWORD kDisableAll = 0x0001;  // DDC_DISABLE_ALL
    if (setBehavior != nullptr) {
        setBehavior(dialog, kDisableAll, kDisableAll);
    }
}

HFONT ScaledFonts::ScaledFrom(HFONT font, UINT from, UINT to) {
    auto& made = made_[font];
    if (!made) {
        LOGFONTW description = {};
        if (::GetObjectW(font, sizeof description, &description) == 0) {
            return font;
        }
        description.lfHeight = ScaleBetween(description.lfHeight, from, to);
        description.lfWidth = ScaleBetween(description.lfWidth, from, to);
        made.reset(::CreateFontIndirectW(&description));
    }
    return made ? made.get() : font;
}

void ScaleChildren(HWND parent, UINT from, UINT to, ScaledFonts& fonts) {
    if (from == 0 || to == 0 || from == to) {
        return;
    }
    const auto scale = [from, to](LONG value) { return ScaleBetween(value, from, to); };
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT place = {};
        ::GetWindowRect(child, &place);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
        ::MoveWindow(child, scale(place.left), scale(place.top), scale(place.right) - scale(place.left),
                     scale(place.bottom) - scale(place.top), FALSE);
        if (const auto font = reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0))) {
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.ScaledFrom(font, from, to)), FALSE);
        }
    }
    ::InvalidateRect(parent, nullptr, TRUE);
}

}  // namespace tarn
