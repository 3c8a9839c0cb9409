#pragma once

// Registry paths (below HKEY_LOCAL_MACHINE unless said otherwise) that several categories read.

namespace tarn {

constexpr wchar_t kServicesPath[] = L"System\\CurrentControlSet\\Services";
constexpr wchar_t kWinlogonPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kWinlogonNotifyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
constexpr wchar_t kRunPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace tarn
