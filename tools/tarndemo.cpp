// Seeds the private prefix with example registrations in every category, so that a new user of
// the run command sees a full window: switched on and off, signed and unsigned.
// usage: tarndemo <folder for the example files> <signed example program>
#include "base/categories.h"
#include "win/com_ptr.h"
#include "win/task_scheduler.h"

#include <windows.h>
#include <shlobj.h>
#include <objbase.h>

#include <cstdio>
#include <string>

namespace {

using tarn::com_ptr;

const CLSID kTaskClass = {0x148BD520, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

bool g_ok = true;

void Check(bool ok, const wchar_t* what) {
    if (!ok) {
        std::fwprintf(stderr, L"tarndemo: cannot write %ls\n", what);
        g_ok = false;
    }
}

void SetValue(HKEY root,
              const std::wstring& path,
              const std::wstring& name,
              DWORD type,
              const void* data,
              DWORD byteCount) {
    HKEY key = nullptr;
    bool ok =
        ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS;
    ok = ok && ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), byteCount) == ERROR_SUCCESS;
    if (key != nullptr) {
        ::RegCloseKey(key);
    }
    Check(ok, path.c_str());
}

void SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    SetValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetExpandString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    SetValue(root, path, name, REG_EXPAND_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    SetValue(root, path, name, REG_DWORD, &value, sizeof value);
}

std::wstring ReadString(HKEY root, const std::wstring& path, const std::wstring& name) {
    wchar_t text[4096] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (::RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
        return {};
    }
    return text;
}

// An example file: a copy of the signed program, or a few bytes that carry no signature.
std::wstring File(const std::wstring& folder, const std::wstring& name, const std::wstring& signedSource = L"") {
    const std::wstring path = folder + L"\\" + name;
    if (!signedSource.empty()) {
        Check(::CopyFileW(signedSource.c_str(), path.c_str(), FALSE) != FALSE, path.c_str());
        return path;
    }
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    Check(file != INVALID_HANDLE_VALUE, path.c_str());
    if (file != INVALID_HANDLE_VALUE) {
        const char bytes[] = "MZ example file of the Tarnwell demo machine";
        DWORD written = 0;
        ::WriteFile(file, bytes, sizeof bytes, &written, nullptr);
        ::CloseHandle(file);
    }
    return path;
}

// A COM class whose server is `dll`, registered where HKEY_CLASSES_ROOT finds it.
void RegisterClass(const std::wstring& clsid, const std::wstring& name, const std::wstring& dll) {
    const std::wstring key = L"Software\\Classes\\CLSID\\" + clsid;
    SetString(HKEY_LOCAL_MACHINE, key, L"", name);
    SetString(HKEY_LOCAL_MACHINE, key + L"\\InprocServer32", L"", dll);
}

// A task of the newer scheduler, written as it keeps one: a definition file (UTF-16 with its
// mark) below the system folder's "Tasks", in a folder per task folder.
void AddDefinedTask(const std::wstring& path, const std::wstring& xml) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring file = std::wstring(system) + L"\\Tasks" + path;
    for (std::size_t slash = file.find(L'\\', 3); slash != std::wstring::npos; slash = file.find(L'\\', slash + 1)) {
        ::CreateDirectoryW(file.substr(0, slash).c_str(), nullptr);
    }
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : xml) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    Check(handle != INVALID_HANDLE_VALUE &&
              ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size(),
          file.c_str());
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
    }
}

std::wstring TaskDefinition(const std::wstring& author,
                            const std::wstring& description,
                            const std::wstring& triggers,
                            bool hidden,
                            const std::wstring& actions) {
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           L"  <RegistrationInfo><Author>" +
           author + L"</Author><Description>" + description + L"</Description></RegistrationInfo>\r\n  <Triggers>" +
           triggers + L"</Triggers>\r\n  <Settings><Enabled>true</Enabled><Hidden>" + (hidden ? L"true" : L"false") +
           L"</Hidden></Settings>\r\n  <Actions Context=\"Author\">" + actions + L"</Actions>\r\n</Task>\r\n";
}

void AddTask(const std::wstring& name, const std::wstring& application, DWORD flags) {
    const tarn::ComApartment apartment;
    const com_ptr<ITaskScheduler> scheduler = tarn::CreateTaskScheduler();
    if (!scheduler) {
        Check(false, L"the scheduled task");
        return;
    }
    scheduler->Delete(name.c_str());
    com_ptr<IUnknown> unknown;
    com_ptr<ITask> task;
    com_ptr<IPersistFile> file;
    const bool ok = SUCCEEDED(scheduler->NewWorkItem(name.c_str(), kTaskClass, tarn::kTaskInterface, unknown.put())) &&
                    SUCCEEDED(unknown->QueryInterface(tarn::kTaskInterface, task.put_void())) &&
                    SUCCEEDED(task->SetApplicationName(application.c_str())) && SUCCEEDED(task->SetFlags(flags)) &&
                    SUCCEEDED(task.query_to(file)) && SUCCEEDED(file->Save(nullptr, TRUE));
    Check(ok, L"the scheduled task");
}

void AddShortcut(const std::wstring& path, const std::wstring& target) {
    const tarn::ComApartment apartment;
    com_ptr<IShellLinkW> link;
    com_ptr<IPersistFile> file;
    const bool ok = SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                                 link.put_void())) &&
                    SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link.query_to(file)) &&
                    SUCCEEDED(file->Save(path.c_str(), TRUE));
    Check(ok, path.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: tarndemo <folder for the example files> <signed example program>\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const std::wstring signedSource = argv[2];
    ::CreateDirectoryW(folder.c_str(), nullptr);

    const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    SetString(HKEY_LOCAL_MACHINE, run, L"Tarn Updater", File(folder, L"updater.exe", signedSource));
    SetString(HKEY_LOCAL_MACHINE, run, L"Tray Helper", L"\"" + File(folder, L"trayhelper.exe") + L"\" /background");
    SetString(HKEY_CURRENT_USER, run, L"Sync Agent", File(folder, L"syncagent.exe"));
    // Switched off on Task Manager's Startup page, on 2026-12-01 09:30 UTC.
    const BYTE switchedOff[] = {3, 0, 0, 0, 0x00, 0x5C, 0x43, 0x89, 0x76, 0x81, 0xDD, 0x01};
    SetValue(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run",
             L"Sync Agent", REG_BINARY, switchedOff, sizeof switchedOff);
    SetString(HKEY_LOCAL_MACHINE, run + L"\\TarnAutoRunDisable", L"Old Toolbar", File(folder, L"oldtoolbar.exe"));
    // Another account's own Run key: listed with the account's name (while the prefix's Wine runs:
    // Wine keeps keys below HKEY_USERS other than the user's own in memory only).
    SetString(HKEY_USERS, L"S-1-5-20\\" + run, L"Net Telemetry", File(folder, L"nettelemetry.exe"));

    const std::wstring shellExtension = L"{7A11DE40-0000-4000-8000-000000000001}";
    RegisterClass(shellExtension, L"Archive Context Menu", File(folder, L"archivemenu.dll", signedSource));
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers\\Archiver", L"", shellExtension);
    const std::wstring delayLoad = L"{7A11DE40-0000-4000-8000-000000000002}";
    RegisterClass(delayLoad, L"Tray Service Object", File(folder, L"trayobject.dll"));
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad",
              L"TrayObject", delayLoad);
    // Every tab that offers switches also shows a registration switched off (kept in its store).
    const std::wstring oldTray = L"{7A11DE40-0000-4000-8000-000000000004}";
    RegisterClass(oldTray, L"Old Tray Object", File(folder, L"oldtray.dll"));
    SetString(HKEY_LOCAL_MACHINE,
              L"Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad\\TarnAutoRunDisable",
              L"OldTrayObject", oldTray);

    const std::wstring helper = L"{7A11DE40-0000-4000-8000-000000000003}";
    RegisterClass(helper, L"Shopping Helper", File(folder, L"shophelper.dll"));
    SetString(HKEY_LOCAL_MACHINE,
              L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\" + helper, L"", L"");
    const std::wstring oldHelper = L"{7A11DE40-0000-4000-8000-000000000005}";
    RegisterClass(oldHelper, L"Coupon Helper", File(folder, L"couponhelper.dll"));
    SetString(HKEY_LOCAL_MACHINE,
              L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\TarnAutoRunDisable\\" +
                  oldHelper,
              L"", L"");

    AddTask(L"Tarn Nightly Backup", File(folder, L"backup.exe", signedSource), 0);
    AddTask(L"Tarn Old Cleanup", File(folder, L"cleanup.exe"), 0x4);
    AddDefinedTask(L"\\Tarn Software\\Updates\\Hidden Updater",
                   TaskDefinition(L"Tarn Software", L"保持 Tarn 软件为最新版本", L"<LogonTrigger/><BootTrigger/>", true,
                                  L"<Exec><Command>\"" + File(folder, L"updater.exe", signedSource) +
                                      L"\"</Command><Arguments>/silent</Arguments></Exec>"));

    const std::wstring services = L"System\\CurrentControlSet\\Services\\";
    SetString(HKEY_LOCAL_MACHINE, services + L"TarnSync", L"ObjectName", L"LocalSystem");
    SetString(HKEY_LOCAL_MACHINE, services + L"TarnSync", L"ImagePath", File(folder, L"syncsvc.exe", signedSource));
    SetDword(HKEY_LOCAL_MACHINE, services + L"TarnSync", L"Start", 2);
    SetString(HKEY_LOCAL_MACHINE, services + L"TarnTelemetry", L"ObjectName", L"LocalSystem");
    SetString(HKEY_LOCAL_MACHINE, services + L"TarnTelemetry", L"ImagePath", File(folder, L"telemetry.exe"));
    SetDword(HKEY_LOCAL_MACHINE, services + L"TarnTelemetry", L"Start", 4);
    SetDword(HKEY_LOCAL_MACHINE, services + L"TarnTelemetry", L"TarnAutoRunDisable", 2);
    SetString(HKEY_LOCAL_MACHINE, services + L"TarnFilter", L"ImagePath", File(folder, L"tarnfilter.sys"));
    SetDword(HKEY_LOCAL_MACHINE, services + L"TarnFilter", L"Start", 1);
    SetString(HKEY_LOCAL_MACHINE, services + L"TarnOldFilter", L"ImagePath", File(folder, L"oldfilter.sys"));
    SetDword(HKEY_LOCAL_MACHINE, services + L"TarnOldFilter", L"Start", 4);
    SetDword(HKEY_LOCAL_MACHINE, services + L"TarnOldFilter", L"TarnAutoRunDisable", 1);

    SetString(HKEY_LOCAL_MACHINE,
              L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\taskmgr.exe",
              L"Debugger", File(folder, L"betterTaskManager.exe"));
    SetString(HKEY_LOCAL_MACHINE,
              L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\TarnAutoRunDisable\\"
              L"notepad.exe",
              L"Debugger", File(folder, L"notepadplus.exe"));

    SetString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"AppInit_DLLs",
              File(folder, L"inputhook.dll") + L" " + File(folder, L"fonthook.dll", signedSource));
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\TarnAutoRunDisable",
              L"AppInit_DLLs", File(folder, L"oldhook.dll"));

    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    File(system, L"tarnfast.dll");
    const std::wstring knownDlls = L"System\\CurrentControlSet\\Control\\Session Manager\\KnownDlls";
    // Where Windows says the known DLLs are; Wine's own list says nothing.
    SetExpandString(HKEY_LOCAL_MACHINE, knownDlls, L"DllDirectory", L"%SystemRoot%\\system32");
    SetString(HKEY_LOCAL_MACHINE, knownDlls, L"TARNFAST", L"tarnfast.dll");
    File(system, L"tarnold.dll");
    SetString(HKEY_LOCAL_MACHINE, knownDlls + L"\\TarnAutoRunDisable", L"TARNOLD", L"tarnold.dll");

    SetString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\TarnSession",
              L"DllName", File(folder, L"sessionnotify.dll"));
    SetString(HKEY_LOCAL_MACHINE,
              L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\TarnAutoRunDisable\\TarnOldSession",
              L"DllName", File(folder, L"oldnotify.dll"));

    SetString(
        HKEY_LOCAL_MACHINE,
        L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries\\000000000099",
        L"LibraryPath", File(folder, L"namefilter.dll"));
    SetString(
        HKEY_LOCAL_MACHINE,
        L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries\\000000000099",
        L"DisplayString", L"Tarn Name Filter");

    const std::wstring order = L"SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order";
    std::wstring providers = ReadString(HKEY_LOCAL_MACHINE, order, L"ProviderOrder");
    if (providers.find(L"TarnShare") == std::wstring::npos) {
        providers += providers.empty() ? L"TarnShare" : L",TarnShare";
    }
    SetString(HKEY_LOCAL_MACHINE, order, L"ProviderOrder", providers);
    SetString(HKEY_LOCAL_MACHINE, services + L"TarnShare\\NetworkProvider", L"ProviderPath",
              File(folder, L"tarnshare.dll"));

    SetString(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Tarn Label Port", L"Driver",
              File(folder, L"labelmon.dll"));
    SetString(HKEY_LOCAL_MACHINE,
              L"System\\CurrentControlSet\\Control\\Print\\Monitors\\TarnAutoRunDisable\\Tarn Old Port", L"Driver",
              File(folder, L"oldmon.dll"));

    // A native program run before any other, beside Windows' own disk check; one switched off.
    File(system, L"tarncheck.exe");
    const wchar_t boot[] = L"autocheck autochk *\0tarncheck /quiet\0";
    SetValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", L"BootExecute",
             REG_MULTI_SZ, boot, sizeof boot);
    File(system, L"tarnold.exe");
    const wchar_t oldBoot[] = L"tarnold\0";
    SetValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager\\TarnAutoRunDisable",
             L"BootExecute", REG_MULTI_SZ, oldBoot, sizeof oldBoot);
    // A security package and a password filter in the LSA.
    File(system, L"tarnssp.dll");
    File(system, L"tarnpwfilter.dll");
    const wchar_t packages[] = L"kerberos\0schannel\0tarnssp\0";
    SetValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Lsa", L"Security Packages", REG_MULTI_SZ,
             packages, sizeof packages);
    const wchar_t filters[] = L"tarnpwfilter\0";
    SetValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Lsa\\TarnAutoRunDisable",
             L"Notification Packages", REG_MULTI_SZ, filters, sizeof filters);
    // Office: a VSTO add-in loaded on demand, a COM add-in loaded at start, the test key, a template.
    const std::wstring office = L"Software\\Microsoft\\Office\\";
    SetString(HKEY_CURRENT_USER, office + L"Outlook\\Addins\\Tarn.MailHelper", L"Manifest",
              L"file:///" + File(folder, L"mailhelper.vsto") + L"|vstolocal");
    SetDword(HKEY_CURRENT_USER, office + L"Outlook\\Addins\\Tarn.MailHelper", L"LoadBehavior", 0);
    const std::wstring wordHelper = L"{7A11DE40-0000-4000-8000-000000000006}";
    RegisterClass(wordHelper, L"Tarn Word Helper", File(folder, L"wordhelper.dll", signedSource));
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Tarn.WordHelper\\CLSID", L"", wordHelper);
    SetDword(HKEY_LOCAL_MACHINE, office + L"Word\\Addins\\Tarn.WordHelper", L"LoadBehavior", 3);
    SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office test\\Special\\Perf", L"",
              File(folder, L"officeperf.dll"));
    wchar_t appData[MAX_PATH] = {};
    if (::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, TRUE)) {
        const std::wstring word = std::wstring(appData) + L"\\Microsoft\\Word";
        ::CreateDirectoryW((std::wstring(appData) + L"\\Microsoft").c_str(), nullptr);
        ::CreateDirectoryW(word.c_str(), nullptr);
        ::CreateDirectoryW((word + L"\\STARTUP").c_str(), nullptr);
        File(word + L"\\STARTUP", L"TarnMacros.dotm");
    }

    wchar_t desktop[MAX_PATH] = {};
    if (::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE)) {
        AddShortcut(std::wstring(desktop) + L"\\Tarn Notes.lnk", File(folder, L"notes.exe"));
    }
    // A startup-folder shortcut that Task Manager's Startup page switched off.
    wchar_t startup[MAX_PATH] = {};
    if (::SHGetSpecialFolderPathW(nullptr, startup, CSIDL_STARTUP, TRUE)) {
        AddShortcut(std::wstring(startup) + L"\\Tarn Tray.lnk", File(folder, L"tarntray.exe"));
        SetValue(HKEY_CURRENT_USER,
                 L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder",
                 L"Tarn Tray.lnk", REG_BINARY, switchedOff, sizeof switchedOff);
    }
    return g_ok ? 0 : 1;
}
