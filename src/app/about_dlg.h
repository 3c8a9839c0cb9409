#pragma once

#include "win/dialog_base.h"
#include "win/unique_handle.h"

#include <windows.h>

namespace tarn {

// The about box: picture, product name and version, the maker's notice and three addresses.
class CAbout : public CDialogBase {
public:
    explicit CAbout(HINSTANCE instance);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct FontTraits {
        using pointer = HFONT;
        static pointer invalid() noexcept { return nullptr; }
        static void close(pointer font) noexcept { ::DeleteObject(font); }
    };
    using unique_font = UniqueAny<FontTraits>;

    unique_hicon icon_;
    // Made once for the box; the controls use them until it closes.
    unique_font underlined_;
    unique_font bold_;
    struct BitmapTraits {
        using pointer = HBITMAP;
        static pointer invalid() noexcept { return nullptr; }
        static void close(pointer bitmap) noexcept { ::DeleteObject(bitmap); }
    };
    UniqueAny<BitmapTraits> picture_;
};

}  // namespace tarn
