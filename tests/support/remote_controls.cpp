#include "support/remote_controls.h"

#include "support/main_window.h"
#include "win/unique_handle.h"

#include <commctrl.h>

#include <vector>

namespace tarn::test {

namespace {

constexpr int kTextCapacity = 512;

// A block of another process's memory holding an item request followed by its text buffer.
class RemoteBlock {
public:
    RemoteBlock(HWND window, std::size_t size)
        : process_(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(window))),
          size_(size) {
        if (process_) {
            address_ = ::VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        }
    }
    ~RemoteBlock() {
        if (address_ != nullptr) {
            ::VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
        }
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool ok() const { return address_ != nullptr; }
    BYTE* at(std::size_t offset) const { return static_cast<BYTE*>(address_) + offset; }
    bool Write(const void* data, std::size_t size) {
        return size <= size_ && ::WriteProcessMemory(process_.get(), address_, data, size, nullptr);
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        return offset + size <= size_ && ::ReadProcessMemory(process_.get(), at(offset), data, size, nullptr);
    }

private:
    unique_handle process_;
    std::size_t size_;
    void* address_ = nullptr;
};

// The text of one tree item, read through a request placed in the tree's process.
std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    RemoteBlock block(tree, sizeof(TVITEMW) + kTextCapacity * sizeof(wchar_t));
    if (!block.ok()) {
        return L"";
    }
    TVITEMW request = {};
    request.mask = TVIF_TEXT | TVIF_HANDLE;
    request.hItem = item;
    request.pszText = reinterpret_cast<wchar_t*>(block.at(sizeof(TVITEMW)));
    request.cchTextMax = kTextCapacity;
    std::vector<wchar_t> text(kTextCapacity, L'\0');
    if (!block.Write(&request, sizeof request) ||
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.at(0))) == 0 ||
        !block.Read(sizeof(TVITEMW), text.data(), (kTextCapacity - 1) * sizeof(wchar_t))) {
        return L"";
    }
    return text.data();
}

}  // namespace

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

std::wstring TreeSelectionPath(HWND tree) {
    std::wstring path;
    for (auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
         item != nullptr;
         item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT,
                                                          reinterpret_cast<LPARAM>(item)))) {
        path = TreeItemText(tree, item) + (path.empty() ? L"" : L"\\" + path);
    }
    return path;
}

std::wstring ListSelectionText(HWND listView) {
    const auto row = ::SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    if (row < 0) {
        return L"";
    }
    RemoteBlock block(listView, sizeof(LVITEMW) + kTextCapacity * sizeof(wchar_t));
    if (!block.ok()) {
        return L"";
    }
    LVITEMW request = {};
    request.iSubItem = 0;
    request.pszText = reinterpret_cast<wchar_t*>(block.at(sizeof(LVITEMW)));
    request.cchTextMax = kTextCapacity;
    std::vector<wchar_t> text(kTextCapacity, L'\0');
    if (!block.Write(&request, sizeof request)) {
        return L"";
    }
    ::SendMessageW(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.at(0)));
    if (!block.Read(sizeof(LVITEMW), text.data(), (kTextCapacity - 1) * sizeof(wchar_t))) {
        return L"";
    }
    return text.data();
}

bool CloseWindowsOfClass(const wchar_t* className, DWORD timeoutMs) {
    for (HWND window = ::FindWindowW(className, nullptr); window != nullptr;
         window = ::FindWindowExW(nullptr, window, className, nullptr)) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return Eventually([className] { return ::FindWindowW(className, nullptr) == nullptr; }, timeoutMs);
}

namespace {

struct WindowSearch {
    bool ownProcess;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    if (::IsWindowVisible(window) && (ProcessOf(window) == ::GetCurrentProcessId()) == search.ownProcess) {
        search.found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> TopWindows(bool ownProcess) {
    WindowSearch search{ownProcess, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<HWND> OtherProgramsWindows() {
    return TopWindows(false);
}

std::vector<HWND> OwnWindows() {
    return TopWindows(true);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int length = ::GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring TitleOf(HWND window) {
    std::wstring title(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(static_cast<std::size_t>(::GetWindowTextW(window, &title[0], static_cast<int>(title.size()))));
    return title;
}

}  // namespace tarn::test
