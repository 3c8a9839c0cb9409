#pragma once

#include <windows.h>

namespace tarn {

// The dialog base a framework would give: keeps `this` with the window (DWLP_USER, set at
// WM_INITDIALOG from the creation parameter, cleared at WM_NCDESTROY) and forwards messages to
// virtual handlers. Copying is deleted: the window holds the object's address.
class CDialogBase {
public:
    CDialogBase() = default;
    virtual ~CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    // Runs the dialog modally; the result of EndDialog, or -1 when it cannot be created.
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner);
    // Creates the dialog modelessly as a child or owned window; null on failure.
    HWND CreateModeless(HINSTANCE instance, int templateId, HWND parent);

    HWND window() const { return window_; }
    HWND Item(int id) const { return ::GetDlgItem(window_, id); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // A command (button click, menu item); true when handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control) {
        (void)id;
        (void)code;
        (void)control;
        return false;
    }
    // A notification; true when handled, with the result in `result`.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result) {
        (void)header;
        (void)result;
        return false;
    }
    // Any other message; true when handled, with the result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        (void)message;
        (void)wParam;
        (void)lParam;
        (void)result;
        return false;
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

}  // namespace tarn
