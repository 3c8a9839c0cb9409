#pragma once

#include <windows.h>

#include <vector>

namespace tarn {

// How a control follows its window's client area as it is resized: it moves with the right or
// bottom edge, or grows with it.
enum Anchor : unsigned { kAnchorNone = 0, kMoveRight = 1, kMoveDown = 2, kGrowWide = 4, kGrowTall = 8 };

// The rectangle of a control placed at `start` in a client area that has grown by dx and dy since.
RECT AnchoredRect(const RECT& start, unsigned anchor, int dx, int dy);

// The controls of one window with where they stood at the window's first size; Apply places them
// for the window's size now. A client area smaller than the first is taken as the first.
class AnchorLayout {
public:
    void Start(HWND window);
    void Add(HWND control, unsigned anchor);
    void Apply() const;
    // The first size and places as they come to be at another DPI.
    void Rescale(UINT from, UINT to);

private:
    struct Placed {
        HWND control;
        RECT start;
        unsigned anchor;
    };
    HWND window_ = nullptr;
    SIZE startClient_ = {};
    std::vector<Placed> controls_;
};

}  // namespace tarn
