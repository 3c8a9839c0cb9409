#pragma once

// The autostart keys the tests write, spelled once.

#include <string>

namespace tarn::test::paths {

inline const std::wstring kStore = L"\\TarnAutoRunDisable";
inline const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::wstring kPoliciesRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
inline const std::wstring kWinlogon = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
inline const std::wstring kNotify = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
inline const std::wstring kWindows = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline const std::wstring kOptions = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
inline const std::wstring kServices = L"System\\CurrentControlSet\\Services";
inline const std::wstring kKnownDlls = L"System\\CurrentControlSet\\Control\\Session Manager\\KnownDlls";
inline const std::wstring kMonitors = L"System\\CurrentControlSet\\Control\\Print\\Monitors";
inline const std::wstring kOrder = L"SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order";
inline const std::wstring kHelpers = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline const std::wstring kDelayLoad = L"Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad";
inline const std::wstring kFileMenus = L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers";

}  // namespace tarn::test::paths
