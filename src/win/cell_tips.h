#pragma once

#include <windows.h>

#include <string>

namespace tarn {

// The whole text of a report list's cell that its column cuts, as a tip while the mouse is over
// the cell (the list's own tips cover none of its subitems). Following the list costs every
// message it gets: a list being filled is not followed.
class CellTips {
public:
    CellTips() = default;
    ~CellTips();
    CellTips(const CellTips&) = delete;
    CellTips& operator=(const CellTips&) = delete;

    // Starts following the mouse over the list, or again after a pause; the tips go with the list.
    void Attach(HWND listView);
    void Pause();
    HWND tip() const { return tip_; }

private:
    static LRESULT CALLBACK
    ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    void OnMouseMove(POINT at);
    void Destroy();

    HWND list_ = nullptr;
    HWND tip_ = nullptr;
    bool following_ = false;
    int row_ = -1;
    int column_ = -1;
    RECT cellRect_ = {};
    std::wstring text_;
};

}  // namespace tarn
