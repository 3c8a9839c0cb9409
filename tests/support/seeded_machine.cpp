#include "support/seeded_machine.h"

#include "support/class_registration.h"
#include "support/registry_paths.h"

#include <shlobj.h>

#include <gtest/gtest.h>

namespace tarn::test {

namespace {

using namespace test::paths;

const std::wstring kScheduler = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler";
const std::wstring kNameSpaces =
    L"System\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\Catalog_Entries";

const wchar_t* const kVariants[] = {L"On", L"Off", L"Ghost"};

const std::wstring kControl = L"System\\CurrentControlSet\\Control\\";
const std::wstring kOfficeAddins = L"Software\\Microsoft\\Office\\Word\\Addins";

// Each variant of a list tab in a list of its own (the lists are named after their value).
constexpr const wchar_t* kBootLists[] = {L"Execute", L"SetupExecute", L"PlatformExecute"};
constexpr const wchar_t* kLsaLists[] = {L"SecurityProviders", L"Notification Packages", L"Security Packages"};
const std::wstring kLsaKeys[] = {kControl + L"SecurityProviders", kControl + L"Lsa", kControl + L"Lsa\\OSConfig"};

// The seeded files: DLLs where the tab loads DLLs.
std::wstring Extension(std::size_t tab) {
    return tab == 7 || tab == 8 || tab == 15 ? L".dll" : L".exe";
}

std::size_t VariantIndex(const std::wstring& variant) {
    for (std::size_t i = 0; i < 3; ++i) {
        if (variant == kVariants[i]) {
            return i;
        }
    }
    return 0;
}

// A CLSID made of the process tag, the tab and the variant, so that every seeded class differs.
std::wstring Clsid(const std::wstring& tag, std::size_t tab, std::size_t variant) {
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"{7A11C0DE-%04zu-%04zu-8000-%012ls}", tab, variant,
                  (std::wstring(12, L'0') + tag).substr(tag.size()).c_str());
    return text;
}

}  // namespace

SeededMachine::SeededMachine() : tag_(std::to_wstring(::GetCurrentProcessId())), desktop_(CSIDL_DESKTOPDIRECTORY) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    systemFolder_ = system;
    for (std::size_t tab = 0; tab < kSeededTabs; ++tab) {
        for (const wchar_t* variant : kVariants) {
            if (Has(tab, variant)) {
                SeedTab(tab, variant);
            }
        }
    }
}

SeededMachine::~SeededMachine() {
    for (std::size_t variant = 0; variant < 3; ++variant) {
        ::DeleteFileW((systemFolder_ + L"\\tarnk" + tag_ + kVariants[variant] + L".dll").c_str());
    }
}

bool SeededMachine::Has(std::size_t tab, const std::wstring& variant) {
    if (tab >= kSeededTabs) {
        return false;  // WMI subscriptions: this prefix's WMI holds none
    }
    if (variant == L"Off") {
        return tab != 11 && tab != 13;  // network providers and shortcuts have no switched-off form
    }
    // The tests take the ghosts' files away while the print monitors are read: the categories read
    // after them would not list a ghost at all.
    if (variant == L"Ghost") {
        return tab < 13;
    }
    return true;
}

std::wstring SeededMachine::Name(std::size_t tab, const std::wstring& variant) const {
    const std::wstring stem = L"TarnCmd" + std::to_wstring(tab) + variant + tag_;
    switch (tab) {
        case 1:
        case 2:
            return L"Class " + stem;  // listed by their class name
        case 3:
            return stem + L".job";
        case 6:
            return stem + L".exe";
        case 7:
            return L"AppInit_DLLs";
        case 8:
            return L"TARNK" + tag_ + variant;
        case 10:
            return L"Filter " + stem;
        case 13:
            return stem + L".lnk";
        case 14:
            return kBootLists[VariantIndex(variant)];
        case 15:
            return kLsaLists[VariantIndex(variant)];
        default:
            return stem;
    }
}

void SeededMachine::SeedTab(std::size_t tab, const std::wstring& variant) {
    const std::size_t index = VariantIndex(variant);
    const bool off = variant == L"Off";
    const std::wstring stem = L"TarnCmd" + std::to_wstring(tab) + variant + tag_;
    const std::wstring file = folder_.AddFile(stem + Extension(tab));
    const std::wstring store = off ? kStore : L"";
    const std::wstring clsid = Clsid(tag_, tab, index);
    auto registerClass = [&] {
        RegisterComClass(seed_.Writer(HKEY_LOCAL_MACHINE), kMachineClasses, clsid, Name(tab, variant), file);
    };
    switch (tab) {
        case 0:
            seed_.SetString(HKEY_LOCAL_MACHINE, kRun + store, stem, file);
            break;
        case 1:
            registerClass();
            seed_.SetString(HKEY_LOCAL_MACHINE, kScheduler + store, clsid, L"seeded");
            break;
        case 2:
            registerClass();
            seed_.SetString(HKEY_LOCAL_MACHINE, kHelpers + store + L"\\" + clsid, L"NoExplorer", L"1");
            break;
        case 3:
            tasks_.Create(stem, file, off ? 0x4 : 0);
            break;
        case 4:
        case 5: {
            const std::wstring key = kServices + L"\\" + stem;
            if (tab == 4) {
                seed_.SetString(HKEY_LOCAL_MACHINE, key, L"ObjectName", L"LocalSystem");
            }
            seed_.SetString(HKEY_LOCAL_MACHINE, key, L"ImagePath", file);
            seed_.SetDword(HKEY_LOCAL_MACHINE, key, L"Start", off ? 4 : 3);
            if (off) {
                seed_.SetDword(HKEY_LOCAL_MACHINE, key, L"TarnAutoRunDisable", 3);
            }
            break;
        }
        case 6:
            seed_.SetString(HKEY_LOCAL_MACHINE, kOptions + store + L"\\" + Name(tab, variant), L"Debugger", file);
            break;
        case 7:
            // The live list holds the switched-on and the ghost DLLs; the store the other.
            if (off) {
                seed_.SetString(HKEY_LOCAL_MACHINE, kWindows + kStore, L"AppInit_DLLs", file + L",");
            } else if (variant == L"On") {
                const std::wstring on = folder_ / (L"TarnCmd7On" + tag_ + L".dll");
                const std::wstring ghost = folder_ / (L"TarnCmd7Ghost" + tag_ + L".dll");
                seed_.SetString(HKEY_LOCAL_MACHINE, kWindows, L"AppInit_DLLs", on + L"," + ghost + L",");
            }
            break;
        case 8: {
            const std::wstring dll = L"tarnk" + tag_ + variant + L".dll";
            const HANDLE handle = ::CreateFileW((systemFolder_ + L"\\" + dll).c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, 0, nullptr);
            ::CloseHandle(handle);
            // The page resolves names against the list's own folder, which a fresh prefix lacks.
            seed_.SetString(HKEY_LOCAL_MACHINE, kKnownDlls, L"DllDirectory", systemFolder_);
            seed_.SetString(HKEY_LOCAL_MACHINE, kKnownDlls + store, Name(tab, variant), dll);
            if (variant == L"Ghost") {
                knownDllGhost_ = systemFolder_ + L"\\" + dll;
            }
            break;
        }
        case 9:
            seed_.SetString(HKEY_LOCAL_MACHINE, kNotify + store + L"\\" + stem, L"DllName", file);
            break;
        case 10: {
            const std::wstring entry =
                kNameSpaces + store + L"\\0000000" + std::to_wstring(tab) + std::to_wstring(index) + tag_;
            seed_.SetString(HKEY_LOCAL_MACHINE, entry, L"DisplayString", Name(tab, variant));
            seed_.SetString(HKEY_LOCAL_MACHINE, entry, L"LibraryPath", file);
            break;
        }
        case 11: {
            std::wstring order;
            HKEY key = nullptr;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOrder.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
                wchar_t text[4096] = {};
                DWORD size = sizeof text - sizeof(wchar_t);
                if (::RegQueryValueExW(key, L"ProviderOrder", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) ==
                    ERROR_SUCCESS) {
                    order = text;
                }
                ::RegCloseKey(key);
            }
            seed_.SetString(HKEY_LOCAL_MACHINE, kOrder, L"ProviderOrder", order + (order.empty() ? L"" : L",") + stem);
            seed_.SetString(HKEY_LOCAL_MACHINE, kServices + L"\\" + stem + L"\\NetworkProvider", L"ProviderPath", file);
            break;
        }
        case 12:
            seed_.SetString(HKEY_LOCAL_MACHINE, kMonitors + store + L"\\" + stem, L"Driver", file);
            break;
        case 13:
            MakeShortcut(desktop_ / (stem + L".lnk"), file);
            break;
        // A one-item list each, named by its full path.
        case 14:
            seed_.SetString(HKEY_LOCAL_MACHINE, kControl + L"Session Manager" + store, Name(tab, variant), file);
            break;
        case 15:
            seed_.SetString(HKEY_LOCAL_MACHINE, kLsaKeys[index] + store, Name(tab, variant), file);
            break;
        case 16:
            seed_.SetString(HKEY_LOCAL_MACHINE, kOfficeAddins + store + L"\\" + stem, L"Manifest", file);
            seed_.SetDword(HKEY_LOCAL_MACHINE, kOfficeAddins + store + L"\\" + stem, L"LoadBehavior", 3);
            break;
        default:
            break;
    }
}

void SeededMachine::RemoveGhostFiles() {
    for (std::size_t tab = 0; tab < kSeededTabs; ++tab) {
        if (!Has(tab, L"Ghost")) {
            continue;
        }
        const std::wstring stem = L"TarnCmd" + std::to_wstring(tab) + L"Ghost" + tag_;
        ::DeleteFileW((folder_ / (stem + Extension(tab))).c_str());
    }
    ::DeleteFileW(knownDllGhost_.c_str());
}

}  // namespace tarn::test
