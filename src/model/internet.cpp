#include "model/internet.h"

#include "base/key_text.h"

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
        classesOfBothViews_ = row.root != HKEY_LOCAL_MACHINE || !Wow32PathOf(row.path);
        ReadKeyThenStore(row.root, row.rootName, row.path, [&](const std::wstring&) {
            switch (row.handler) {
                case Handler::HelperObjects:
                    ReadHelperObjects();
                    break;
                case Handler::Extensions:
                    ReadExtensions();
                    break;
                case Handler::ClsidValues:
                    EnumerateOpenKey();
                    break;
            }
        });
    }
    return 0;
}

bool CTarnAutoRunInternet::ReadClass(const std::wstring& clsid) {
    RegKey classKey;
    if (!classKey.OpenRead(HKEY_CLASSES_ROOT, ClassKeyOfView(clsid))) {
        return false;
    }
    AutoRunEntry& entry = *results_.current;
    entry.name = classKey.ReadString(L"");
    RegKey server;
    if (server.OpenRead(HKEY_CLASSES_ROOT, JoinKeyText(ClassKeyOfView(clsid), L"InprocServer32"))) {
        entry.imagePath = server.ReadString(L"");
    }
    return true;
}

void CTarnAutoRunInternet::ReadHelperObjects() {
    ForEachSubKeyName(*registry_, [&](const std::wstring& clsid) {
        AutoRunEntry& entry = NewEntry();
        entry.subKeyName = clsid;
        entry.commandLine = JoinKeyText(L"HKCR", ClassKeyOfView(clsid));
        if (!ReadClass(clsid)) {
            return;
        }
        entry.keyPath = JoinKeyText(results_.locationText, clsid);
        entry.entryKind = KindKey;
        entry.locateKind = LocateKey;
        if (ResolveCurrent(entry.imagePath)) {
            AddEntry();
        }
    });
}

void CTarnAutoRunInternet::ReadExtensions() {
    ForEachSubKeyName(*registry_, [&](const std::wstring& extension) {
        AutoRunEntry& entry = NewEntry();
        entry.subKeyName = extension;
        RegKey key;
        if (!key.OpenRead(registry_->handle(), extension)) {
            return;
        }
        std::optional<std::wstring> menuText;
        std::optional<std::wstring> buttonText;
        ForEachValue(key, [&](const RegValue& value) {
            entry.keyPath = JoinKeyText(results_.locationText, extension);
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
        if (ResolveCurrent(entry.imagePath)) {
            AddEntry();
        }
    });
}

int32_t CTarnAutoRunInternet::EnumerateOpenKey() {
    ForEachValue(*registry_, [&](const RegValue& value) {
        const std::wstring& clsid = value.name;
        if (!IsClsidLike(clsid)) {
            return;
        }
        auto addInView = [&](RegistryView view) {
            const ViewScope scope(*this, view);
            AutoRunEntry& entry = NewEntry();
            entry.commandLine = JoinKeyText(L"HKCR", ClassKeyOfView(clsid));
            if (!ReadClass(clsid)) {
                return;
            }
            entry.valueName = clsid;
            entry.keyPath = results_.locationText;
            entry.locateKind = LocateValue;
            entry.entryKind = KindValue;
            if (ResolveCurrent(entry.imagePath)) {
                AddEntry();
            }
        };
        addInView(view());
        if (classesOfBothViews_ && kTwoRegistryViews) {
            addInView(RegistryView::Wow32);
        }
    });
    registry_->Close();
    return 0;
}

}  // namespace tarn
