#include "model/internet.h"

#include "base/key_text.h"
#include "model/com_class.h"

#include <optional>

namespace tarn {

namespace {

enum class Handler { HelperObjects, Extensions, ClsidValues };

struct SearchRow {
    HKEY root;
    const wchar_t* rootName;
    const wchar_t* path;
    Handler handler;
};

const SearchRow kSearchTable[] = {
    {HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
     Handler::HelperObjects},
    {HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Microsoft\\Internet Explorer\\Extensions", Handler::Extensions},
    {HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Microsoft\\Internet Explorer\\Toolbar", Handler::ClsidValues},
    {HKEY_CURRENT_USER, L"HKCU", L"Software\\Microsoft\\Internet Explorer\\UrlSearchHooks", Handler::ClsidValues},
};

}  // namespace

int32_t CTarnAutoRunInternet::Enumerate() {
    for (const SearchRow& row : kSearchTable) {
        // A list both views share names classes each view registers on its own.
        const bool bothViews = row.root != HKEY_LOCAL_MACHINE || !Wow32PathOf(row.path);
        const auto read = [&](RegKey& key, const ReadContext& at) {
            switch (row.handler) {
                case Handler::HelperObjects:
                    ReadHelperObjects(key, at);
                    break;
                case Handler::Extensions:
                    ReadExtensions(key, at);
                    break;
                case Handler::ClsidValues:
                    ReadClsidValues(key, at, bothViews);
                    break;
            }
        };
        if (row.root == HKEY_CURRENT_USER) {
            ReadUserKeyThenStore(row.path, read);
        } else {
            ReadKeyThenStore(row.root, row.rootName, row.path, read);
        }
    }
    return 0;
}

bool CTarnAutoRunInternet::ReadClass(AutoRunEntry& entry, const std::wstring& clsid) const {
    const RegistryView view = static_cast<RegistryView>(entry.view);
    RegKey classKey;
    if (!OpenClassKey(classKey, ClassKeyOfView(clsid, view), ReadingClasses())) {
        return false;
    }
    entry.name = classKey.ReadString(L"");
    RegKey server;
    if (OpenClassKey(server, JoinKeyText(ClassKeyOfView(clsid, view), L"InprocServer32"), ReadingClasses())) {
        entry.imagePath = server.ReadString(L"");
    }
    return true;
}

void CTarnAutoRunInternet::ReadHelperObjects(RegKey& key, const ReadContext& at) {
    SubKeysOf(key, at.location, [&](const std::wstring& clsid) {
        AutoRunEntry entry = NewEntry(at);
        entry.subKeyName = clsid;
        entry.commandLine = JoinKeyText(L"HKCR", ClassKeyOfView(clsid, at.view));
        if (!ReadClass(entry, clsid)) {
            return;
        }
        entry.keyPath = JoinKeyText(at.location, clsid);
        entry.entryKind = KindKey;
        entry.locateKind = LocateKey;
        const std::wstring dll = entry.imagePath;
        AddResolved(std::move(entry), dll, at);
    });
}

void CTarnAutoRunInternet::ReadExtensions(RegKey& key, const ReadContext& at) {
    SubKeysOf(key, at.location, [&](const std::wstring& extension) {
        AutoRunEntry entry = NewEntry(at);
        entry.subKeyName = extension;
        RegKey extensionKey;
        if (!OpenOrReport(extensionKey, key.handle(), extension, JoinKeyText(at.location, extension))) {
            return;
        }
        std::optional<std::wstring> menuText;
        std::optional<std::wstring> buttonText;
        ValuesOf(extensionKey, JoinKeyText(at.location, extension), [&](const RegValue& value) {
            entry.keyPath = JoinKeyText(at.location, extension);
            entry.locateKind = LocateKey;
            entry.entryKind = KindKey;
            if (SameRegistryName(value.name, L"exec")) {
                entry.imagePath = TextOf(value);
                entry.commandLine = entry.imagePath;
            } else if (SameRegistryName(value.name, L"MenuText")) {
                menuText = TextOf(value);
            } else if (SameRegistryName(value.name, L"ButtonText")) {
                buttonText = TextOf(value);
            }
        });
        if (menuText) {
            entry.name = *menuText;
        } else if (buttonText) {
            entry.name = *buttonText;
        }
        const std::wstring program = entry.imagePath;
        AddResolved(std::move(entry), program, at);
    });
}

void CTarnAutoRunInternet::ReadClsidValues(RegKey& key, const ReadContext& at, bool bothViews) {
    ValuesOf(key, at.location, [&](const RegValue& value) {
        const std::wstring& clsid = value.name;
        if (!IsClsidLike(clsid)) {
            return;
        }
        auto addInView = [&](RegistryView view) {
            AutoRunEntry entry = NewEntry(at);
            entry.view = static_cast<int32_t>(view);
            entry.commandLine = JoinKeyText(L"HKCR", ClassKeyOfView(clsid, view));
            if (!ReadClass(entry, clsid)) {
                return;
            }
            entry.valueName = clsid;
            entry.keyPath = at.location;
            entry.locateKind = LocateValue;
            entry.entryKind = KindValue;
            const std::wstring dll = entry.imagePath;
            AddResolved(std::move(entry), dll, at);
        };
        addInView(at.view);
        if (bothViews && kTwoRegistryViews) {
            addInView(RegistryView::Wow32);
        }
    });
}

}  // namespace tarn
