#include "app/about_dlg.h"

#include "app/maker.h"
#include "resource_ids.h"
#include "win/dpi.h"

namespace tarn {

namespace {

constexpr COLORREF kAddressColour = RGB(0, 0, 255);

HFONT CreateBoxFont(int weight, bool underlined, UINT dpi) {
    return ::CreateFontW(ScaleToDpi(12, dpi), 0, 0, 0, weight, FALSE, underlined ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         L"宋体");
}

bool IsAddress(int id) {
    return id == IDC_ABOUT_SUPPORT_MAIL || id == IDC_ABOUT_SAMPLE_MAIL || id == IDC_ABOUT_SITE;
}

}  // namespace

CAbout::CAbout(HINSTANCE instance)
    : icon_(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE))) {}

BOOL CAbout::OnInitDialog() {
    ::SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    ::SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    ::SetDlgItemTextW(window(), IDC_ABOUT_SUPPORT_MAIL, kSupportMail);
    ::SetDlgItemTextW(window(), IDC_ABOUT_SAMPLE_MAIL, kSampleMail);
    ::SetDlgItemTextW(window(), IDC_ABOUT_SITE, kSiteAddress);
    const UINT dpi = WindowDpi(window());
    underlined_.reset(CreateBoxFont(FW_NORMAL, true, dpi));
    bold_.reset(CreateBoxFont(FW_BOLD, false, dpi));
    // The picture drawn at twice the size for a display of 150 % and more (the control stretches it).
    if (dpi >= 144) {
        picture_.reset(static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_ABOUT_PICTURE_200),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (picture_) {
            ::SendDlgItemMessageW(window(), IDC_ABOUT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                  reinterpret_cast<LPARAM>(picture_.get()));
        }
    }
    for (const int id : {IDC_ABOUT_SUPPORT_MAIL, IDC_ABOUT_SAMPLE_MAIL, IDC_ABOUT_SITE}) {
        ::SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(underlined_.get()), FALSE);
    }
    ::SendMessageW(Item(IDC_ABOUT_PRODUCT), WM_SETFONT, reinterpret_cast<WPARAM>(bold_.get()), FALSE);
    return TRUE;
}

bool CAbout::OnCommand(WORD id, WORD, HWND) {
    // Enter reaches the box as its default button or as IDOK, Esc as IDCANCEL.
    if (id == IDC_ABOUT_OK || id == IDOK || id == IDCANCEL) {
        ::EndDialog(window(), id == IDCANCEL ? IDCANCEL : IDOK);
        return true;
    }
    return false;
}

bool CAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_CTLCOLORSTATIC || !IsAddress(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))) {
        return false;
    }
    // Read-only edits ask as static text does; the brush stays the dialog's own.
    const HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, kAddressColour);
    ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
    result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
    return true;
}

}  // namespace tarn
