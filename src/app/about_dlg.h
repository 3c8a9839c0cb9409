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
    unique_hicon icon_;
    // Made once for the box; the controls use them until it closes.
    unique_hfont underlined_;
    unique_hfont bold_;
    unique_hbitmap picture_;
};

}  // namespace tarn
