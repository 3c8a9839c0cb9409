// The floor of a scan of the benchmark's synthetic machine: the least work that lists the same
// rows, written with nothing but the Windows API. It walks the Run keys (live and kept) and the
// service keys once, asking each key's count again after every index; resolves each command with
// one existence test per distinct candidate path; reads each distinct file's version block, size
// and time once and verifies each distinct existing file once (its catalog when it carries no
// signature). Prints one row per entry ("category<TAB>name<TAB>image path") and, on the error
// output, what it read.
// usage: tarnfloor [--no-verify]
#include <windows.h>
#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>
#include <wbemidl.h>
#include <sddl.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kLogonPlaces[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Startup",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Shutdown",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Logon",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Logoff",
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Terminal Server\\Install\\Software\\Microsoft\\Windows\\"
    L"CurrentVersion\\Run",
    L"Environment",
    L"System\\CurrentControlSet\\Control\\SafeBoot",
};
// The boot, security and Office places, read as the logon places are.
constexpr const wchar_t* kMorePlaces[] = {
    L"System\\CurrentControlSet\\Control\\Session Manager",
    L"System\\CurrentControlSet\\Control\\BootVerificationProgram",
    L"System\\CurrentControlSet\\Control\\Lsa",
    L"System\\CurrentControlSet\\Control\\Lsa\\OSConfig",
    L"System\\CurrentControlSet\\Control\\SecurityProviders",
    L"Software\\Microsoft\\Office test\\Special\\Perf",
    L"Software\\Microsoft\\Office\\Word\\Addins",
    L"Software\\Microsoft\\Office\\Excel\\Addins",
    L"Software\\Microsoft\\Office\\PowerPoint\\Addins",
    L"Software\\Microsoft\\Office\\Outlook\\Addins",
    L"Software\\Microsoft\\Office\\Access\\Addins",
    L"Software\\Microsoft\\Office\\Visio\\Addins",
    L"Software\\Microsoft\\Office\\Project\\Addins",
    L"Software\\Microsoft\\Office\\Publisher\\Addins",
    L"Software\\Microsoft\\Office\\OneNote\\Addins",
    L"Software\\Microsoft\\Office",
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\SilentProcessExit",
    L"Software\\Microsoft\\Command Processor",
    L"Software\\Classes\\exefile\\shell\\open\\command",
    L"System\\CurrentControlSet\\Control\\Session Manager\\AppCertDlls",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers",
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters",
    L"Software\\Microsoft\\NetSh",
    L"System\\CurrentControlSet\\Control\\Print\\Providers",
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\Tree",
};
constexpr wchar_t kServices[] = L"System\\CurrentControlSet\\Services";
constexpr wchar_t kStore[] = L"\\TarnAutoRunDisable";

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return text;
}

DWORD ValueCount(HKEY key) {
    DWORD count = 0;
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS
               ? count
               : 0;
}

DWORD SubKeyCount(HKEY key) {
    DWORD count = 0;
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS
               ? count
               : 0;
}

std::wstring TextOf(const std::vector<BYTE>& bytes, DWORD size) {
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), size / sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    return end == std::wstring::npos ? text : text.substr(0, end);
}

// Every value of a key with its text, asking the count again after each index.
template <typename Visit>
void ForEachText(HKEY key, Visit visit) {
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(4096);
    for (DWORD i = 0; i < ValueCount(key); ++i) {
        DWORD nameCount = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG status = ::RegEnumValueW(key, i, name.data(), &nameCount, nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            data.resize(size);
            nameCount = static_cast<DWORD>(name.size());
            status = ::RegEnumValueW(key, i, name.data(), &nameCount, nullptr, &type, data.data(), &size);
        }
        if (status == ERROR_SUCCESS) {
            visit(std::wstring(name.data(), nameCount), type, TextOf(data, size));
        }
    }
}

std::optional<std::wstring> QueryText(HKEY key, const wchar_t* name, DWORD* number = nullptr) {
    BYTE data[2048] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (number != nullptr) {
        *number = type == REG_DWORD && size >= 4 ? *reinterpret_cast<DWORD*>(data) : 0;
        return std::wstring();
    }
    return TextOf(std::vector<BYTE>(data, data + size), size);
}

class Floor {
public:
    std::wstring rows;
    std::map<std::wstring, std::wstring> files;  // folded path -> path
    std::size_t tests = 0;

    // A place the scan must look at although the bench machines register nothing there: its
    // values are read, none becomes a row.
    void Probe(HKEY root, const std::wstring& path) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return;
        }
        ForEachText(key, [](const std::wstring&, DWORD, const std::wstring&) {});
        ::RegCloseKey(key);
    }

    void RunKey(HKEY root, const std::wstring& path) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return;
        }
        ForEachText(key, [&](const std::wstring& name, DWORD, const std::wstring& text) { Add(0, name, text); });
        ::RegCloseKey(key);
    }

    void Services() {
        HKEY services = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServices, 0, KEY_READ, &services) != ERROR_SUCCESS) {
            return;
        }
        wchar_t name[256] = {};
        for (DWORD i = 0; i < SubKeyCount(services); ++i) {
            DWORD count = 256;
            if (::RegEnumKeyExW(services, i, name, &count, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
                Service(services, std::wstring(name, count));
            }
        }
        ::RegCloseKey(services);
    }

private:
    void Service(HKEY services, const std::wstring& name) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(services, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return;
        }
        DWORD start = 4;
        DWORD kept = 4;
        const bool hasStart = QueryText(key, L"Start", &start).has_value();
        const bool hasKept = QueryText(key, L"TarnAutoRunDisable", &kept).has_value();
        const bool hasAccount = QueryText(key, L"ObjectName").has_value();
        const auto image = QueryText(key, L"ImagePath");
        if (hasAccount && ((hasStart && start != 4) || (hasKept && kept != 4))) {
            std::optional<std::wstring> dll;
            HKEY parameters = nullptr;
            if (::RegOpenKeyExW(key, L"Parameters", 0, KEY_READ, &parameters) == ERROR_SUCCESS) {
                dll = QueryText(parameters, L"ServiceDll");
                ::RegCloseKey(parameters);
            }
            if (!(dll && Add(4, name, *dll)) && image) {
                Add(4, name, *image);
            }
        }
        ::RegCloseKey(key);
    }

    bool Exists(const std::wstring& path) {
        const auto found = existence_.find(path);
        if (found != existence_.end()) {
            return found->second;
        }
        ++tests;
        const bool exists = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        existence_.emplace(path, exists);
        return exists;
    }

    // The file a command starts: the quoted path, the file rundll32 loads, or the text up to
    // the first ".exe" / ".dll"; a bare name from the Windows and system folders.
    std::optional<std::wstring> Resolve(const std::wstring& command) {
        std::wstring text = Lower(command);
        const std::size_t variable = text.find(L"%systemroot%");
        if (variable != std::wstring::npos) {
            text.replace(variable, 12, root_);
        }
        // Drivers name their file from the system root.
        if (text.rfind(L"\\systemroot\\", 0) == 0) {
            text = root_ + text.substr(11);
        } else if (text.rfind(L"system32\\", 0) == 0) {
            text = root_ + L"\\" + text;
        }
        std::wstring candidate;
        if (!text.empty() && text[0] == L'"') {
            const std::size_t closing = text.find(L'"', 1);
            candidate = closing == std::wstring::npos ? std::wstring() : text.substr(1, closing - 1);
        } else if (text.rfind(L"rundll32", 0) == 0 && text.find(L' ') != std::wstring::npos) {
            candidate = text.substr(text.find(L' ') + 1);
            candidate = candidate.substr(0, candidate.find(L','));
        } else {
            for (const wchar_t* suffix : {L".exe", L".dll", L".sys"}) {
                const std::size_t at = text.find(suffix);
                if (at != std::wstring::npos) {
                    candidate = text.substr(0, at + 4);
                    break;
                }
            }
        }
        if (candidate.find(L'\\') == std::wstring::npos && !candidate.empty()) {
            for (const std::wstring& folder : {root_, root_ + L"\\System32"}) {
                if (Exists(folder + L"\\" + candidate)) {
                    return folder + L"\\" + candidate;
                }
            }
            return std::nullopt;
        }
        if (candidate.empty() || !Exists(candidate)) {
            return std::nullopt;
        }
        return candidate;
    }

    bool Add(int category, const std::wstring& name, const std::wstring& command) {
        const auto file = Resolve(command);
        if (!file) {
            return false;
        }
        rows += std::to_wstring(category) + L"\t" + name + L"\t" + *file + L"\n";
        files.emplace(Lower(*file), *file);
        return true;
    }

    std::wstring root_ = [] {
        wchar_t text[MAX_PATH] = {};
        ::GetEnvironmentVariableW(L"systemroot", text, MAX_PATH);
        return std::wstring(text);
    }();
    std::map<std::wstring, bool> existence_;
};

// What the scan shows of a file: its version block's texts, size and time.
void ReadFacts(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        return;
    }
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        return;
    }
    const WORD* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(const_cast<WORD**>(&translation)), &length) ||
        length < 4) {
        return;
    }
    wchar_t prefix[64] = {};
    std::swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    for (const wchar_t* field : {L"FileDescription", L"CompanyName", L"FileVersion"}) {
        void* text = nullptr;
        ::VerQueryValueW(block.data(), (std::wstring(prefix) + field).c_str(), &text, &length);
    }
}

// Verifies a file's embedded signature; one that carries none, through the system's catalogs.
void Verify(const std::wstring& path, HCATADMIN catalogs) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file = {sizeof file, path.c_str(), nullptr, nullptr};
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    const LONG result = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (result == ERROR_SUCCESS) {
        CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider ? ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        if (signer != nullptr && signer->csCertChain > 0) {
            wchar_t name[256] = {};
            ::CertGetNameStringW(signer->pasCertChain[0].pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (result != TRUST_E_NOSIGNATURE || catalogs == nullptr) {
        return;
    }
    const HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    BYTE hash[100] = {};
    DWORD hashSize = sizeof hash;
    if (::CryptCATAdminCalcHashFromFileHandle(handle, &hashSize, hash, 0)) {
        HCATINFO catalog = ::CryptCATAdminEnumCatalogFromHash(catalogs, hash, hashSize, 0, nullptr);
        if (catalog != nullptr) {
            ::CryptCATAdminReleaseCatalogContext(catalogs, catalog, 0);
        }
    }
    ::CloseHandle(handle);
}

}  // namespace

// The WMI subscriptions: the subscription namespace's bindings, and every namespace below root.
void ProbeWmi() {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return;
    }
    IWbemLocator* locator = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                     reinterpret_cast<void**>(&locator)))) {
        std::vector<std::wstring> namespaces = {L"root\\subscription", L"root\\default", L"root"};
        for (std::size_t i = 0; i < namespaces.size(); ++i) {
            BSTR name = ::SysAllocString(namespaces[i].c_str());
            IWbemServices* services = nullptr;
            if (SUCCEEDED(locator->ConnectServer(name, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services))) {
                for (const wchar_t* className : {L"__FilterToConsumerBinding", L"__NAMESPACE"}) {
                    BSTR classText = ::SysAllocString(className);
                    IEnumWbemClassObject* objects = nullptr;
                    if (SUCCEEDED(services->CreateInstanceEnum(classText, WBEM_FLAG_FORWARD_ONLY, nullptr, &objects))) {
                        IWbemClassObject* object = nullptr;
                        ULONG count = 0;
                        while (objects->Next(10000, 1, &object, &count) == WBEM_S_NO_ERROR && count == 1) {
                            VARIANT value;
                            ::VariantInit(&value);
                            if (className[2] == L'N' && SUCCEEDED(object->Get(L"Name", 0, &value, nullptr, nullptr)) &&
                                value.vt == VT_BSTR) {
                                namespaces.push_back(namespaces[i] + L"\\" + value.bstrVal);
                            }
                            ::VariantClear(&value);
                            object->Release();
                        }
                        objects->Release();
                    }
                    ::SysFreeString(classText);
                }
                services->Release();
            }
            ::SysFreeString(name);
        }
        locator->Release();
    }
    ::CoUninitialize();
}

std::wstring OwnSid() {
    HANDLE token = nullptr;
    std::wstring sid;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        BYTE buffer[256] = {};
        DWORD size = 0;
        wchar_t* text = nullptr;
        if (::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
            ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
            sid = text;
            ::LocalFree(text);
        }
        ::CloseHandle(token);
    }
    return sid;
}

// The hives of the other users below HKEY_USERS (the profiles' list read too), each opened once.
std::vector<HKEY> OtherUserRoots() {
    const std::wstring own = OwnSid();
    std::vector<HKEY> roots;
    HKEY profiles = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                        KEY_READ, &profiles) == ERROR_SUCCESS) {
        DWORD count = 0;
        ::RegQueryInfoKeyW(profiles, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr);
        ::RegCloseKey(profiles);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256] = {};
        DWORD count = 256;
        if (::RegEnumKeyExW(HKEY_USERS, i, name, &count, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        const std::wstring user(name, count);
        HKEY root = nullptr;
        if (user.find(L"_Classes") == std::wstring::npos &&
            ::CompareStringOrdinal(user.c_str(), -1, own.c_str(), -1, TRUE) != CSTR_EQUAL &&
            ::RegOpenKeyExW(HKEY_USERS, name, 0, KEY_READ, &root) == ERROR_SUCCESS) {
            roots.push_back(root);
        }
    }
    return roots;
}

int wmain(int argc, wchar_t** argv) {
    const bool verify = !(argc > 1 && std::wstring(argv[1]) == L"--no-verify");
    Floor floor;
    const std::vector<HKEY> users = OtherUserRoots();
    std::vector<HKEY> roots = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
    roots.insert(roots.end(), users.begin(), users.end());
    for (const HKEY root : roots) {
        floor.RunKey(root, kRun);
        floor.RunKey(root, std::wstring(kRun) + kStore);
        // The other places of logon, each with its store.
        for (const wchar_t* path : kLogonPlaces) {
            floor.Probe(root, path);
            floor.Probe(root, std::wstring(path) + kStore);
        }
        for (const wchar_t* path : kMorePlaces) {
            floor.Probe(root, path);
            floor.Probe(root, std::wstring(path) + kStore);
        }
    }
    for (const HKEY user : users) {
        ::RegCloseKey(user);
    }
    floor.Services();
    ProbeWmi();
    HCATADMIN catalogs = nullptr;
    GUID driverAction = DRIVER_ACTION_VERIFY;
    if (verify) {
        ::CryptCATAdminAcquireContext(&catalogs, &driverAction, 0);
    }
    std::size_t verifications = 0;
    for (const auto& file : floor.files) {
        ReadFacts(file.second);
        if (verify && ::GetFileAttributesW(file.second.c_str()) != INVALID_FILE_ATTRIBUTES) {
            Verify(file.second, catalogs);
            ++verifications;
        }
    }
    if (catalogs != nullptr) {
        ::CryptCATAdminReleaseContext(catalogs, 0);
    }
    std::fwprintf(stdout, L"%ls", floor.rows.c_str());
    std::fwprintf(stderr, L"floor: reads %zu, verifications %zu, existence tests %zu\n", floor.files.size(),
                  verifications, floor.tests);
    return 0;
}
