#include "pages/locate.h"

#include "base/autorun_entry.h"
#include "base/key_text.h"
#include "base/registry_names.h"
#include "pages/entry_commands.h"
#include "win/com_ptr.h"
#include "win/environment.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

namespace tarn {

namespace {

constexpr wchar_t kEditorClass[] = L"RegEdit_RegEdit";
constexpr int kCollapseSteps = 30;
// How long the editor may take to answer one keystroke, or to come up.
constexpr DWORD kEditorAnswerMs = 5000;

// The key data of one keystroke: a repeat count of 1. Controls that search as the user types
// (Wine's tree and list among them) ignore a character that comes with no key data at all.
constexpr LPARAM kOneKeystroke = 1;

// A keystroke for the editor; false when it did not take it in time.
bool Send(HWND window, UINT message, WPARAM key, HANDLE editor) {
    DWORD_PTR ignored = 0;
    const LPARAM data = message == WM_CHAR ? kOneKeystroke : 0;
    if (::SendMessageTimeoutW(window, message, key, data, SMTO_BLOCK | SMTO_ABORTIFHUNG, kEditorAnswerMs, &ignored) ==
        0) {
        return false;
    }
    ::WaitForInputIdle(editor, kEditorAnswerMs);
    return true;
}

// Longer than the time within which a tree joins typed characters into one search.
DWORD TypeAheadPauseMs() {
    return std::max<DWORD>(::GetDoubleClickTime(), 450) + 100;
}

constexpr DWORD kMemoryRights = PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE;

// Memory in the editor's process for the records its list messages take, freed with the scope.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, std::size_t size)
        : process_(process), base_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (base_ != nullptr) {
            ::VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        }
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    BYTE* at(std::size_t offset) const { return static_cast<BYTE*>(base_) + offset; }
    bool ok() const { return base_ != nullptr; }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        SIZE_T written = 0;
        return ::WriteProcessMemory(process_, at(offset), data, size, &written) && written == size;
    }

private:
    HANDLE process_;
    void* base_;
};

bool SameBitness(HANDLE process) {
    BOOL theirs = FALSE;
    BOOL ours = FALSE;
    return ::IsWow64Process(process, &theirs) && ::IsWow64Process(::GetCurrentProcess(), &ours) && theirs == ours;
}

// Selects the value of this name (as the list compares names: whole, in any letter case) in the
// editor's value list through the list's own messages: typing cannot reach every name (Wine's
// list drops blanks from its search). Does nothing where the editor's memory cannot be written or
// its records would be laid out otherwise (another bitness).
void SelectValueByName(HWND list, HANDLE editor, const std::wstring& name) {
    if (name.empty() || HasNul(name) || !SameBitness(editor)) {
        return;
    }
    const std::size_t itemOffset = sizeof(LVFINDINFOW);
    const std::size_t nameOffset = itemOffset + sizeof(LVITEMW);
    const std::size_t nameBytes = (name.size() + 1) * sizeof(wchar_t);
    const RemoteBlock block(editor, nameOffset + nameBytes);
    if (!block.ok() || !block.Write(nameOffset, name.c_str(), nameBytes)) {
        return;
    }
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = reinterpret_cast<LPCWSTR>(block.at(nameOffset));
    if (!block.Write(0, &find, sizeof find)) {
        return;
    }
    DWORD_PTR found = 0;
    if (::SendMessageTimeoutW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(block.at(0)),
                              SMTO_BLOCK | SMTO_ABORTIFHUNG, kEditorAnswerMs, &found) == 0 ||
        static_cast<int>(found) < 0) {
        return;
    }
    const int index = static_cast<int>(found);
    for (const auto& [row, state] :
         {std::pair{-1, 0u}, std::pair{index, static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED)}}) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = state;
        DWORD_PTR ignored = 0;
        if (!block.Write(itemOffset, &item, sizeof item) ||
            ::SendMessageTimeoutW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                                  reinterpret_cast<LPARAM>(block.at(itemOffset)), SMTO_BLOCK | SMTO_ABORTIFHUNG,
                                  kEditorAnswerMs, &ignored) == 0) {
            return;
        }
    }
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                          kEditorAnswerMs, &ignored);
}

void Focus(HWND window) {
    ::SetForegroundWindow(window);
    ::SetFocus(window);
}

// The editor's main window and its process: the open one, else one started from the system root.
HWND FindOrStartEditor(unique_handle& process) {
    HWND main = ::FindWindowW(kEditorClass, nullptr);
    if (main != nullptr) {
        DWORD id = 0;
        ::GetWindowThreadProcessId(main, &id);
        // The waits for the editor need these rights; without them it would not really wait. The
        // rights to its memory let a value be selected by its name (see SelectValueByName).
        process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | kMemoryRights, FALSE, id));
        if (!process) {
            process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id));
        }
        return process ? main : nullptr;
    }
    const auto editor = JoinKeyPath(ReadEnvironmentVariable(L"systemroot"), L"regedit.exe");
    if (!editor || ::GetFileAttributesW(editor->c_str()) == INVALID_FILE_ATTRIBUTES) {
        return nullptr;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    std::wstring command = *editor;
    if (!::CreateProcessW(editor->c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return nullptr;
    }
    ::CloseHandle(started.hThread);
    process.reset(started.hProcess);
    ::WaitForInputIdle(process.get(), kEditorAnswerMs);
    // The editor may show its window a moment after it has become idle.
    for (int attempt = 0; attempt < 50 && (main = ::FindWindowW(kEditorClass, nullptr)) == nullptr; ++attempt) {
        ::Sleep(100);
    }
    return main;
}

struct ControlSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM context) {
    auto& search = *reinterpret_cast<ControlSearch*>(context);
    wchar_t name[64] = {};
    ::GetClassNameW(child, name, 64);
    if (::lstrcmpiW(name, search.className) != 0) {
        return TRUE;
    }
    search.found = child;
    return FALSE;
}

// A control of the editor: a direct child of its main window as in the system's editor, else the
// first one further down (Wine's editor holds its tree and list in a child frame).
HWND FindEditorControl(HWND main, const wchar_t* className) {
    if (const HWND direct = ::FindWindowExW(main, nullptr, className, nullptr)) {
        return direct;
    }
    ControlSearch search{className, nullptr};
    ::EnumChildWindows(main, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The shell's file manager, started on the folder of a file with the file selected.
void OpenFolderInFileManager(const std::wstring& path) {
    const auto manager = JoinKeyPath(ReadEnvironmentVariable(L"systemroot"), L"explorer.exe");
    if (!manager) {
        return;
    }
    // A file name cannot hold a quotation mark, so quoting keeps commas and spaces in the path.
    const std::wstring arguments = L"/select,\"" + path + L"\"";
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpFile = manager->c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&info);
}

// Runs a verb of a file's context menu, as choosing it in the folder window does.
bool InvokeFileVerb(const std::wstring& path, const char* verb) {
    const ComApartment apartment;
    PIDLIST_ABSOLUTE item = ::ILCreateFromPathW(path.c_str());
    if (item == nullptr) {
        return false;
    }
    com_ptr<IShellFolder> parent;
    PCUITEMID_CHILD child = nullptr;
    bool invoked = false;
    if (SUCCEEDED(::SHBindToParent(item, IID_IShellFolder, parent.put_void(), &child))) {
        com_ptr<IContextMenu> menu;
        if (SUCCEEDED(parent->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, menu.put_void()))) {
            CMINVOKECOMMANDINFO command = {};
            command.cbSize = sizeof command;
            command.fMask = CMIC_MASK_FLAG_NO_UI;
            command.lpVerb = verb;
            command.nShow = SW_SHOWNORMAL;
            invoked = SUCCEEDED(menu->InvokeCommand(&command));
        }
    }
    ::ILFree(item);
    return invoked;
}

}  // namespace

void LocateKeyInRegistryEditor(const std::wstring& keyPath, const std::wstring& valueName, int32_t locateKind) {
    // A text the tree cannot be walked with is refused before anything is started.
    const auto navigation = NavigationText(keyPath, locateKind);
    if (!navigation) {
        return;
    }
    unique_handle process;
    const HWND main = FindOrStartEditor(process);
    if (main == nullptr) {
        return;
    }
    ::ShowWindow(main, SW_SHOW);
    ::SetForegroundWindow(main);
    const HWND tree = FindEditorControl(main, L"SysTreeView32");
    if (tree == nullptr) {
        return;
    }
    Focus(tree);
    for (int step = 0; step < kCollapseSteps; ++step) {
        if (!Send(tree, WM_KEYDOWN, VK_LEFT, process.get())) {
            return;
        }
    }
    bool nameStarts = true;
    for (const wchar_t c : *navigation) {
        if (c != L'\\' && nameStarts) {
            // The tree adds a character typed soon after the last one to the same search; each
            // key name must start a search of its own.
            ::Sleep(TypeAheadPauseMs());
        }
        nameStarts = c == L'\\';
        const bool sent = c == L'\\' ? Send(tree, WM_KEYDOWN, VK_RIGHT, process.get())
                                     : Send(tree, WM_CHAR, static_cast<WPARAM>(c), process.get());
        if (!sent) {
            return;
        }
        if (locateKind == LocateKey) {
            Focus(tree);
        }
    }
    if (locateKind != LocateValue) {
        return;
    }
    const HWND list = FindEditorControl(main, L"SysListView32");
    if (list == nullptr) {
        return;
    }
    Focus(list);
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    if (::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmBitsPerPel > 8) {
        ::Sleep(250);
    }
    if (!Send(list, WM_KEYDOWN, VK_HOME, process.get())) {
        return;
    }
    for (const wchar_t c : valueName) {
        if (!Send(list, WM_CHAR, static_cast<WPARAM>(c), process.get())) {
            return;
        }
    }
    // The typed search ends on the nearest name it could reach; the list itself is then asked
    // for the exact one.
    SelectValueByName(list, process.get(), valueName);
    Focus(main);
}

void OpenFolderSelectingFile(const std::wstring& path) {
    const ComApartment apartment;
    com_ptr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.put()))) {
        return;
    }
    PIDLIST_RELATIVE item = nullptr;
    std::wstring name = path;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, &name[0], nullptr, &item, nullptr))) {
        return;
    }
    const HRESULT opened = ::SHOpenFolderAndSelectItems(reinterpret_cast<PCIDLIST_ABSOLUTE>(item), 0, nullptr, 0);
    ::CoTaskMemFree(item);
    if (FAILED(opened)) {
        // Some shells do not implement the call; their file manager still opens the folder.
        OpenFolderInFileManager(path);
    }
}

int OpenFileProperties(const std::wstring& path) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    // No error box of the shell's own: a sheet that cannot be shown ends silently.
    info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"properties";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (::ShellExecuteExW(&info)) {
        return 1;
    }
    // Some shells do not take the verb through ShellExecuteExW but offer it on the file's own
    // context menu, as the folder window does.
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && InvokeFileVerb(path, "properties") ? 1 : 0;
}

}  // namespace tarn
