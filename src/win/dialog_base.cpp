#include "win/dialog_base.h"

namespace tarn {

INT_PTR CDialogBase::RunModal(HINSTANCE instance, int templateId, HWND owner) {
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

HWND CDialogBase::CreateModeless(HINSTANCE instance, int templateId, HWND parent) {
    return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogBase*>(lParam);
        self->window_ = window;
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CDialogBase*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr) {
        return FALSE;
    }
    const INT_PTR handled = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return handled;
}

INT_PTR CDialogBase::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
                return FALSE;
            }
            ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        default: {
            LRESULT result = 0;
            if (!OnMessage(message, wParam, lParam, result)) {
                return FALSE;
            }
            // Messages that answer through the procedure's own result (queries such as
            // WM_QUERYDRAGICON) take it directly; the others through DWLP_MSGRESULT.
            if (message == WM_QUERYDRAGICON || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORDLG) {
                return static_cast<INT_PTR>(result);
            }
            ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
}

}  // namespace tarn
