#include "win/cell_tips.h"

#include "win/dpi.h"

#include <commctrl.h>

namespace tarn {

namespace {

constexpr UINT_PTR kSubclassId = 0x7461;
constexpr UINT_PTR kToolId = 1;
// What a cell keeps beside its text at 100 %: the list's margins on either side.
constexpr int kCellMargin = 12;

std::wstring CellText(HWND list, int row, int column) {
    std::wstring text(256, L'\0');
    for (;;) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = &text[0];
        item.cchTextMax = static_cast<int>(text.size());
        const auto length = static_cast<std::size_t>(
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

}  // namespace

CellTips::~CellTips() {
    Destroy();
}

void CellTips::Attach(HWND listView) {
    if (tip_ == nullptr) {
        list_ = listView;
        tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, listView, nullptr, nullptr,
                                 nullptr);
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_TRANSPARENT;
        tool.hwnd = listView;
        tool.uId = kToolId;
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 600);
    }
    if (!following_ && list_ == listView) {
        following_ = ::SetWindowSubclass(listView, ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    }
}

void CellTips::Pause() {
    if (following_) {
        ::RemoveWindowSubclass(list_, ListProc, kSubclassId);
        following_ = false;
    }
    if (tip_ != nullptr) {
        ::SendMessageW(tip_, TTM_POP, 0, 0);
    }
    row_ = column_ = -1;
}

void CellTips::Destroy() {
    Pause();
    if (tip_ != nullptr) {
        ::DestroyWindow(tip_);
        tip_ = nullptr;
    }
    list_ = nullptr;
}

LRESULT CALLBACK CellTips::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto& tips = *reinterpret_cast<CellTips*>(self);
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        if (message == WM_MOUSEMOVE) {
            tips.OnMouseMove(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        }
        // The tip learns of the mouse from here, not by a hook of its own on every message.
        MSG relayed = {list, message, wParam, lParam, 0, {}};
        ::SendMessageW(tips.tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    } else if (message == WM_NCDESTROY) {
        tips.Destroy();
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

void CellTips::OnMouseMove(POINT at) {
    LVHITTESTINFO hit = {};
    hit.pt = at;
    ::SendMessageW(list_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    RECT cell = {};
    std::wstring shown;
    if (hit.iItem >= 0) {
        cell.top = hit.iSubItem;
        cell.left = LVIR_LABEL;
        ::SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(hit.iItem), reinterpret_cast<LPARAM>(&cell));
        const std::wstring text = CellText(list_, hit.iItem, hit.iSubItem);
        const auto needed =
            static_cast<int>(::SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
        // Only a cut cell has a tip: one whose text is wider than what its column leaves it.
        if (needed + ScaleToDpi(kCellMargin, WindowDpi(list_)) > cell.right - cell.left) {
            shown = text;
        }
    }
    // The same cell, as wide as before: the tip stays as it is.
    if (hit.iItem == row_ && hit.iSubItem == column_ && shown == text_ && ::EqualRect(&cell, &cellRect_)) {
        return;
    }
    row_ = hit.iItem;
    column_ = hit.iSubItem;
    cellRect_ = cell;
    text_ = shown;
    ::SendMessageW(tip_, TTM_POP, 0, 0);
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = list_;
    tool.uId = kToolId;
    tool.rect = cell;
    ::SendMessageW(tip_, TTM_NEWTOOLRECT, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = const_cast<wchar_t*>(text_.c_str());
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace tarn
