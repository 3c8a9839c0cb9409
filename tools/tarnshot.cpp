// Waits for the main window's first scan to end, shows every tab in turn and saves a picture of
// the window for each, then closes the program. Used by the run command on a virtual display.
// usage: tarnshot <folder for the pictures>
#include "base/categories.h"
#include "resource_ids.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kCaption[] = L"Tarnwell系统自启动项管理工具 Beta v2.2";

bool Wait(DWORD timeoutMs, bool (*condition)(HWND), HWND window) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!condition(window)) {
        if (::GetTickCount64() > deadline) {
            return false;
        }
        ::Sleep(50);
    }
    return true;
}

// Saves the screen area of a window (with its frame) as a 24-bit bitmap file.
bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    // A maximised window's frame lies beyond the screen's edges: only what the screen shows.
    const RECT screenRect = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::IntersectRect(&rect, &rect, &screenRect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, old);
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    const DWORD imageBytes = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageBytes;
    bool saved = false;
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        saved = ::WriteFile(file, &header, sizeof header, &written, nullptr) &&
                ::WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
                ::WriteFile(file, bits, imageBytes, &written, nullptr);
        ::CloseHandle(file);
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return saved;
}

// The list of the page that is shown now.
HWND VisibleList(HWND tabs) {
    for (HWND page = ::FindWindowExW(tabs, nullptr, nullptr, nullptr); page != nullptr;
         page = ::FindWindowExW(tabs, page, nullptr, nullptr)) {
        if (::IsWindowVisible(page)) {
            return ::GetDlgItem(page, IDC_LIST);
        }
    }
    return nullptr;
}

// Clicks a row of the visible list where it shows it (the first row when the row is not shown).
void ClickRow(HWND tabs, int row) {
    const HWND list = VisibleList(tabs);
    const HWND header = ::FindWindowExW(list, nullptr, L"SysHeader32", nullptr);
    RECT headerRect = {};
    ::GetWindowRect(header, &headerRect);
    RECT client = {};
    ::GetClientRect(list, &client);
    const int headerHeight = headerRect.bottom - headerRect.top;
    // Pointer-free: the row height from how many rows a page holds.
    const auto perPage = static_cast<int>(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int rowHeight = perPage > 0 ? (client.bottom - headerHeight) / perPage : 17;
    const int shown = row < perPage ? row : 0;
    const LPARAM point = MAKELPARAM(30, headerHeight + 8 + shown * rowHeight);
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageW(list, WM_LBUTTONUP, 0, point);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 && !(argc == 4 && std::wcscmp(argv[2], L"--row") == 0)) {
        std::fwprintf(stderr, L"usage: tarnshot <folder for the pictures> [--row <row to select, from 0>]\n");
        return 2;
    }
    const int row = argc == 4 ? std::max(0, _wtoi(argv[3])) : 0;
    const std::wstring folder = argv[1];
    HWND window = nullptr;
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while ((window = ::FindWindowW(nullptr, kCaption)) == nullptr || !::IsWindowVisible(window)) {
        if (::GetTickCount64() > deadline) {
            std::fwprintf(stderr, L"tarnshot: the main window did not open\n");
            return 1;
        }
        ::Sleep(100);
    }
    // The refresh button is disabled for the whole scan: once seen disabled, the scan has ended
    // when it is enabled again (a scan that ended before it was seen leaves it enabled).
    const HWND refresh = ::GetDlgItem(window, IDC_REFRESH);
    Wait(
        5000, [](HWND button) { return !::IsWindowEnabled(button); }, refresh);
    if (!Wait(
            600000, [](HWND button) { return ::IsWindowEnabled(button) != FALSE; }, refresh)) {
        std::fwprintf(stderr, L"tarnshot: the scan did not end\n");
        return 1;
    }
    // Messages that carry pointers do not cross into the program: the tabs are stepped through
    // with the arrow key, and a row of each page is clicked where the list shows it.
    const HWND tabs = ::GetDlgItem(window, IDC_TABS);
    for (std::size_t tab = 0; tab < tarn::kCategoryCount; ++tab) {
        if (tab > 0) {
            ::PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 0);
            ::PostMessageW(tabs, WM_KEYUP, VK_RIGHT, 0);
            ::Sleep(300);
        }
        ClickRow(tabs, row);
        ::Sleep(600);
        wchar_t name[32] = {};
        std::swprintf(name, 32, L"\\tab-%02zu.bmp", tab);
        if (!SaveWindowPicture(window, folder + name)) {
            std::fwprintf(stderr, L"tarnshot: cannot save %ls\n", name);
            return 1;
        }
    }
    // The last tab once more, with the window maximised on the display.
    ::PostMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Wait(
        5000, [](HWND shown) { return ::IsZoomed(shown) != FALSE; }, window);
    ::Sleep(800);
    if (!SaveWindowPicture(window, folder + L"\\maximised.bmp")) {
        std::fwprintf(stderr, L"tarnshot: cannot save maximised.bmp\n");
        return 1;
    }
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}
