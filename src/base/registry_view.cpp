#include "base/registry_view.h"

#include "base/key_text.h"

namespace tarn {

namespace {

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && EqualsNoCaseAscii(text.substr(0, prefix.size()), prefix);
}

// The folder `folder` below `root`, when `path` lies in it: the rest after it (with its backslash).
std::optional<std::wstring> RestBelow(const std::wstring& path, const std::wstring& root, const wchar_t* folder) {
    const std::wstring prefix = root + L"\\" + folder;
    if (!StartsWithNoCase(path, prefix) || (path.size() > prefix.size() && path[prefix.size()] != L'\\')) {
        return std::nullopt;
    }
    return path.substr(prefix.size());
}

// Keys below HKLM\Software that both views share.
constexpr const wchar_t* kSharedSoftwareKeys[] = {
    L"Classes",
    L"Clients",
    L"Microsoft\\COM3",
    L"Microsoft\\Cryptography\\Calais\\Current",
    L"Microsoft\\Cryptography\\Calais\\Readers",
    L"Microsoft\\Cryptography\\Services",
    L"Microsoft\\CTF\\SystemShared",
    L"Microsoft\\CTF\\TIP",
    L"Microsoft\\DFS",
    L"Microsoft\\Driver Signing",
    L"Microsoft\\EnterpriseCertificates",
    L"Microsoft\\EventSystem",
    L"Microsoft\\MSMQ",
    L"Microsoft\\Non-Driver Signing",
    L"Microsoft\\Notepad\\DefaultFonts",
    L"Microsoft\\OLE",
    L"Microsoft\\RAS",
    L"Microsoft\\RPC",
    L"Microsoft\\SOFTWARE\\Microsoft\\Shared Tools\\MSInfo",
    L"Microsoft\\SystemCertificates",
    L"Microsoft\\TermServLicensing",
    L"Microsoft\\Transaction Server",
    L"Microsoft\\Windows\\CurrentVersion\\App Paths",
    L"Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
    L"Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
    L"Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
    L"Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
    L"Microsoft\\Windows\\CurrentVersion\\Group Policy",
    L"Microsoft\\Windows\\CurrentVersion\\Policies",
    L"Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
    L"Microsoft\\Windows\\CurrentVersion\\Setup",
    L"Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
    L"Microsoft\\Windows NT\\CurrentVersion\\Console",
    L"Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
    L"Microsoft\\Windows NT\\CurrentVersion\\FontLink",
    L"Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
    L"Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    L"Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
    L"Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
    L"Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
    L"Microsoft\\Windows NT\\CurrentVersion\\LanguagePack",
    L"Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
    L"Microsoft\\Windows NT\\CurrentVersion\\Perflib",
    L"Microsoft\\Windows NT\\CurrentVersion\\Ports",
    L"Microsoft\\Windows NT\\CurrentVersion\\Print",
    L"Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    L"Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
    L"Policies",
    L"RegisteredApplications",
};

// Keys below the shared "Software\Classes" that each view has its own of.
constexpr const wchar_t* kRedirectedClassKeys[] = {L"CLSID", L"DirectShow", L"Interface", L"Media Type",
                                                   L"MediaFoundation"};

// Whether `path` is `key` or lies below it (letters compared without regard to case).
bool AtOrBelow(const std::wstring& path, const std::wstring& key) {
    return StartsWithNoCase(path, key) && (path.size() == key.size() || path[key.size()] == L'\\');
}

// System32 folders the file system redirector leaves alone.
constexpr const wchar_t* kExempt[] = {L"\\catroot",      L"\\catroot2", L"\\driverstore",
                                      L"\\drivers\\etc", L"\\logfiles", L"\\spool"};

}  // namespace

std::optional<std::wstring> Wow32PathOf(const std::wstring& machinePath) {
    const std::wstring software = L"Software";
    if (!AtOrBelow(machinePath, software) || machinePath.size() == software.size()) {
        return std::nullopt;
    }
    const std::wstring below = machinePath.substr(software.size() + 1);
    const std::wstring classes = L"Classes";
    if (AtOrBelow(below, classes) && below.size() > classes.size()) {
        const std::wstring classKey = below.substr(classes.size() + 1);
        for (const wchar_t* redirected : kRedirectedClassKeys) {
            if (AtOrBelow(classKey, redirected)) {
                return machinePath.substr(0, software.size() + classes.size() + 2) + L"Wow6432Node\\" + classKey;
            }
        }
        return std::nullopt;
    }
    for (const wchar_t* shared : kSharedSoftwareKeys) {
        if (AtOrBelow(below, shared)) {
            return std::nullopt;
        }
    }
    return machinePath.substr(0, software.size() + 1) + L"Wow6432Node\\" + below;
}

std::wstring PathSeenBy32BitProcess(const std::wstring& path, const std::wstring& windowsFolder) {
    if (windowsFolder.empty()) {
        return path;
    }
    if (const auto rest = RestBelow(path, windowsFolder, L"sysnative")) {
        return path.substr(0, windowsFolder.size()) + L"\\system32" + *rest;
    }
    const auto rest = RestBelow(path, windowsFolder, L"system32");
    if (!rest) {
        return path;
    }
    for (const wchar_t* exempt : kExempt) {
        const std::wstring folder = exempt;
        if (StartsWithNoCase(*rest, folder) && (rest->size() == folder.size() || (*rest)[folder.size()] == L'\\')) {
            return path;
        }
    }
    return path.substr(0, windowsFolder.size()) + L"\\syswow64" + *rest;
}

}  // namespace tarn
