#pragma once

#include "win/unique_handle.h"

#include <windows.h>

#include <map>

namespace tarn {

// What the program's pixel sizes are drawn for: 100 %.
constexpr UINT kBaseDpi = 96;

// The DPI a window is shown at: its monitor's (the program is aware of each monitor's), or the
// system's where Windows tells no window's own.
UINT WindowDpi(HWND window);

// A length in pixels at one DPI as it is at another.
inline int ScaleBetween(int pixels, UINT from, UINT to) {
    return ::MulDiv(pixels, static_cast<int>(to), static_cast<int>(from));
}

inline int ScaleToDpi(int pixels, UINT dpi) {
    return ScaleBetween(pixels, kBaseDpi, dpi);
}

// A dialog whose DPI changes is scaled by the program alone (ScaleChildren), as on a Windows whose
// dialog manager scales none, never twice.
void ScaleDialogOurselves(HWND dialog);

// The fonts made for the children of a window at another DPI, each from the font it replaces;
// released with the set once the children have others.
class ScaledFonts {
public:
    HFONT ScaledFrom(HFONT font, UINT from, UINT to);

private:
    std::map<HFONT, unique_hfont> made_;
};

// Moves and sizes the direct children of `parent` and their fonts from one DPI to another.
void ScaleChildren(HWND parent, UINT from, UINT to, ScaledFonts& fonts);

}  // namespace tarn
