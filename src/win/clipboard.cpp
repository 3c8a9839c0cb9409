#include "win/clipboard.h"

#include <cstring>

namespace tarn {

namespace {

struct ClipboardOpen {
    bool open;
    explicit ClipboardOpen(HWND owner) : open(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardOpen() {
        if (open) {
            ::CloseClipboard();
        }
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
};

}  // namespace

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    if (void* target = ::GlobalLock(memory)) {
        std::memcpy(target, text.c_str(), bytes);
        ::GlobalUnlock(memory);
    } else {
        ::GlobalFree(memory);
        return false;
    }
    const ClipboardOpen clipboard(owner);
    // The clipboard owns the memory once it took it, and only then.
    if (!clipboard.open || !::EmptyClipboard() || ::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        ::GlobalFree(memory);
        return false;
    }
    return true;
}

}  // namespace tarn
