#include "win/anchor_layout.h"

#include "win/dpi.h"

#include <algorithm>

namespace tarn {

RECT AnchoredRect(const RECT& start, unsigned anchor, int dx, int dy) {
    RECT placed = start;
    if ((anchor & kMoveRight) != 0) {
        ::OffsetRect(&placed, dx, 0);
    }
    if ((anchor & kMoveDown) != 0) {
        ::OffsetRect(&placed, 0, dy);
    }
    if ((anchor & kGrowWide) != 0) {
        placed.right += dx;
    }
    if ((anchor & kGrowTall) != 0) {
        placed.bottom += dy;
    }
    return placed;
}

void AnchorLayout::Start(HWND window) {
    window_ = window;
    RECT client = {};
    ::GetClientRect(window, &client);
    startClient_ = {client.right, client.bottom};
    controls_.clear();
}

void AnchorLayout::Rescale(UINT from, UINT to) {
    if (from == 0) {
        return;
    }
    const auto scale = [from, to](LONG value) { return ScaleBetween(value, from, to); };
    startClient_ = {scale(startClient_.cx), scale(startClient_.cy)};
    for (Placed& placed : controls_) {
        placed.start = {scale(placed.start.left), scale(placed.start.top), scale(placed.start.right),
                        scale(placed.start.bottom)};
    }
}

void AnchorLayout::Add(HWND control, unsigned anchor) {
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
    controls_.push_back({control, rect, anchor});
}

void AnchorLayout::Apply() const {
    RECT client = {};
    ::GetClientRect(window_, &client);
    const int dx = std::max(0, static_cast<int>(client.right - startClient_.cx));
    const int dy = std::max(0, static_cast<int>(client.bottom - startClient_.cy));
    HDWP moves = ::BeginDeferWindowPos(static_cast<int>(controls_.size()));
    for (const Placed& placed : controls_) {
        if (placed.anchor == kAnchorNone) {
            continue;
        }
        const RECT rect = AnchoredRect(placed.start, placed.anchor, dx, dy);
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (moves != nullptr) {
            moves = ::DeferWindowPos(moves, placed.control, nullptr, rect.left, rect.top, rect.right - rect.left,
                                     rect.bottom - rect.top, flags);
        } else {
            ::SetWindowPos(placed.control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                           flags);
        }
    }
    if (moves != nullptr) {
        ::EndDeferWindowPos(moves);
    }
    // Controls that moved leave their old place to be painted over.
    ::InvalidateRect(window_, nullptr, TRUE);
}

}  // namespace tarn
