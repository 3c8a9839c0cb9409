#include "model/office_addins.h"

#include "base/key_text.h"
#include "base/store_name.h"
#include "model/com_class.h"
#include "win/environment.h"

#include <cwctype>

namespace tarn {

namespace {

constexpr wchar_t kOffice[] = L"Software\\Microsoft\\Office";
constexpr wchar_t kClickToRunMachine[] = L"Software\\Microsoft\\Office\\ClickToRun\\REGISTRY\\MACHINE\\";
constexpr wchar_t kOfficeTest[] = L"Software\\Microsoft\\Office test\\Special\\Perf";
constexpr const wchar_t* kAddinPrograms[] = {L"Word",  L"Excel",   L"PowerPoint", L"Outlook", L"Access",
                                             L"Visio", L"Project", L"Publisher",  L"OneNote"};
// Word loads every template in its start-up folders, Excel every workbook in its own.
constexpr const wchar_t* kStartupFolderNames[] = {L"STARTUP", L"XLSTART"};

constexpr wchar_t kOfficeTestTechnique[] = L"T1137.002";
constexpr wchar_t kAddinTechnique[] = L"T1137.006";
constexpr wchar_t kTemplateTechnique[] = L"T1137.001";

// "LoadBehavior" bit 1: loaded when its program starts.
constexpr DWORD kLoadAtStart = 0x2;

bool IsVersionName(const std::wstring& name) {
    return !name.empty() && std::iswdigit(name[0]) && name.find(L'.') != std::wstring::npos;
}

// "OPEN", "OPEN1", "OPEN2", …
bool IsOpenOption(const std::wstring& name) {
    if (name.size() < 4 || !EqualsNoCaseAscii(name.substr(0, 4), L"OPEN")) {
        return false;
    }
    for (std::size_t i = 4; i < name.size(); ++i) {
        if (!std::iswdigit(name[i])) {
            return false;
        }
    }
    return true;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

}  // namespace

std::wstring CTarnAutoRunOfficeAddins::ManifestFile(const std::wstring& manifest) {
    std::wstring text = manifest.substr(0, manifest.find(L'|'));
    constexpr wchar_t kFileScheme[] = L"file:///";
    if (text.size() < 8 || !EqualsNoCaseAscii(text.substr(0, 8), kFileScheme)) {
        return text;
    }
    std::wstring path;
    for (std::size_t i = 8; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            path.push_back(static_cast<wchar_t>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
            i += 2;
        } else {
            path.push_back(text[i] == L'/' ? L'\\' : text[i]);
        }
    }
    return path;
}

std::wstring CTarnAutoRunOfficeAddins::OpenOptionFile(const std::wstring& option) {
    std::size_t at = option.find_first_not_of(L' ');
    // Leading switches: "/R" (read-only) and the like.
    while (at != std::wstring::npos && option[at] == L'/') {
        at = option.find_first_of(L' ', at);
        at = at == std::wstring::npos ? at : option.find_first_not_of(L' ', at);
    }
    if (at == std::wstring::npos) {
        return {};
    }
    std::wstring path;
    for (std::size_t i = at; i < option.size(); ++i) {
        if (option[i] != L'"') {
            path.push_back(option[i]);
        }
    }
    const std::size_t end = path.find_last_not_of(L' ');
    return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

int32_t CTarnAutoRunOfficeAddins::Enumerate() {
    const auto readRoot = [&](HKEY root, const wchar_t* rootName) {
        ReadOfficeTest(root, rootName);
        ReadAddins(root, rootName);
        ReadOpenOptions(root, rootName);
    };
    readRoot(HKEY_CURRENT_USER, L"HKCU");
    readRoot(HKEY_LOCAL_MACHINE, L"HKLM");
    ForEachOtherUser([&](const UserPlaces& places) { readRoot(places.root, places.rootName.c_str()); });
    std::vector<std::wstring> walked;
    const auto readUserFolders = [&](const std::wstring& appData) {
        if (!appData.empty()) {
            ReadStartupFolder(appData + L"\\Microsoft\\Word\\STARTUP", walked);
            ReadStartupFolder(appData + L"\\Microsoft\\Excel\\XLSTART", walked);
        }
    };
    readUserFolders(ReadEnvironmentVariable(L"APPDATA"));
    ForEachOtherUser([&](const UserPlaces& places) {
        readUserFolders(UserVariable(places.user->variables, L"APPDATA").value_or(L""));
    });
    // The machine's: "Office<NN>" folders of every installation, click-to-run ("root") or not.
    for (const wchar_t* programFiles : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        const std::wstring folder = ReadEnvironmentVariable(programFiles);
        if (folder.empty()) {
            continue;
        }
        for (const std::wstring& office : {folder + L"\\Microsoft Office", folder + L"\\Microsoft Office\\root"}) {
            ForEachFileIn(office, [&](const std::wstring& name, bool isFolder) {
                if (isFolder && name.size() > 6 && EqualsNoCaseAscii(name.substr(0, 6), L"Office")) {
                    for (const wchar_t* startup : kStartupFolderNames) {
                        ReadStartupFolder(ChildPath(ChildPath(office, name), startup), walked);
                    }
                }
            });
        }
    }
    return 0;
}

void CTarnAutoRunOfficeAddins::ReadOfficeTest(HKEY root, const wchar_t* rootName) {
    ReadKeyThenStore(root, rootName, kOfficeTest, [&](RegKey& key, const ReadContext& live) {
        const auto value = FindValue(key, L"");
        if (value.failed()) {
            Unreadable(live.location, key.status());
        }
        if (!value.found()) {
            return;
        }
        ReadContext at = live;
        at.technique = kOfficeTestTechnique;
        AddValueEntry(value.item, at, L"Office test");
    });
}

void CTarnAutoRunOfficeAddins::ReadAddins(HKEY root, const wchar_t* rootName) {
    // Click-to-run Office keeps the machine's add-ins in a registry of its own as well.
    std::vector<std::wstring> offices = {kOffice};
    if (root == HKEY_LOCAL_MACHINE) {
        offices.push_back(std::wstring(kClickToRunMachine) + kOffice);
    }
    for (const std::wstring& office : offices) {
        for (const wchar_t* program : kAddinPrograms) {
            const std::wstring path = office + L"\\" + program + L"\\Addins";
            ReadKeyThenStore(root, rootName, path, [&](RegKey& key, const ReadContext& live) {
                ReadContext at = live;
                at.technique = kAddinTechnique;
                SubKeysOf(key, at.location, [&](const std::wstring& progId) {
                    if (!SameRegistryName(progId, kStoreName)) {
                        AddAddin(key, progId, at);
                    }
                });
            });
        }
    }
}

void CTarnAutoRunOfficeAddins::AddAddin(RegKey& addins, const std::wstring& progId, const ReadContext& at) {
    RegKey addin;
    const std::wstring place = JoinKeyText(at.location, progId);
    if (!OpenOrReport(addin, addins.handle(), progId, place)) {
        return;
    }
    AutoRunEntry entry = NewEntry(at);
    entry.name = progId;
    entry.subKeyName = progId;
    entry.keyPath = place;
    entry.entryKind = KindKey;
    entry.locateKind = LocateKey;
    entry.notAtStart = (addin.ReadDword(L"LoadBehavior", 0) & kLoadAtStart) == 0;
    const std::wstring manifest = addin.ReadString(L"Manifest");
    if (!manifest.empty()) {
        entry.commandLine = manifest;
        AddResolved(std::move(entry), Quoted(ManifestFile(manifest)), at);
        return;
    }
    // A COM add-in: its ProgID names the class whose server the program loads.
    std::wstring clsid = progId;
    if (progId.empty() || progId[0] != L'{') {
        RegKey classKey;
        clsid = OpenClassKey(classKey, JoinKeyText(progId, L"CLSID"), ReadingClasses())
                    ? ReadDefaultValue(classKey).value_or(L"")
                    : L"";
    }
    const std::wstring server = clsid.empty() ? L"" : ClassServerDll(clsid, at.view, ReadingClasses()).value_or(L"");
    entry.commandLine = server.empty() ? clsid : server;
    AddResolved(std::move(entry), server.empty() ? progId : server, at);
}

void CTarnAutoRunOfficeAddins::ReadOpenOptions(HKEY root, const wchar_t* rootName) {
    RegKey office;
    if (!OpenOrReport(office, root, kOffice, JoinKeyText(rootName, kOffice))) {
        return;
    }
    SubKeysOf(office, JoinKeyText(rootName, kOffice), [&](const std::wstring& version) {
        if (!IsVersionName(version)) {
            return;
        }
        const std::wstring options = std::wstring(kOffice) + L"\\" + version + L"\\Excel\\Options";
        ReadKeyThenStore(root, rootName, options, [&](RegKey& key, const ReadContext& live) {
            ReadContext at = live;
            at.technique = kAddinTechnique;
            ValuesOf(key, at.location, [&](const RegValue& value) {
                if (!IsOpenOption(value.name)) {
                    return;
                }
                AddValueEntry(value, at, {}, Quoted(OpenOptionFile(TextOf(value))));
            });
        });
    });
}

void CTarnAutoRunOfficeAddins::ReadStartupFolder(const std::wstring& folder, std::vector<std::wstring>& walked) {
    for (const std::wstring& done : walked) {
        if (EqualsNoCaseAscii(done, folder)) {
            return;
        }
    }
    walked.push_back(folder);
    ReadContext at;
    at.location = folder;
    at.technique = kTemplateTechnique;
    const auto addFile = [&](const std::wstring& path, const std::wstring& name) {
        AutoRunEntry entry = NewEntry(at);
        entry.name = name;
        entry.keyPath = path;
        entry.commandLine = path;
        entry.entryKind = KindStartupFile;
        // The listing found the file: one the resolver cannot take is listed all the same.
        if (!ResolveStrictly(entry, Quoted(path))) {
            entry.imagePath = path;
        }
        Add(std::move(entry), at, LocationFolder);
    };
    ForEachFileIn(folder, [&](const std::wstring& name, bool isFolder) {
        if (!isFolder && !EqualsNoCaseAscii(name, L"desktop.ini")) {
            addFile(ChildPath(folder, name), name);
        }
    });
    at.pass = 1;
    const std::wstring store = ChildPath(folder, kStoreName);
    ForEachFileIn(store, [&](const std::wstring& name, bool isFolder) {
        if (!isFolder) {
            addFile(ChildPath(store, name), name);
        }
    });
}

}  // namespace tarn
