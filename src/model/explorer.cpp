#include "model/explorer.h"

#include "base/key_text.h"

namespace tarn {

namespace {

enum class Handler { ActiveSetup, NamedClsidValues, ClsidValueNames, HandlerSubkeys };

struct SearchRow {
    const wchar_t* path;
    Handler handler;
};

const SearchRow kSearchTable[] = {
    {L"Software\\Microsoft\\Active Setup\\Installed Components", Handler::ActiveSetup},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad", Handler::NamedClsidValues},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler", Handler::ClsidValueNames},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks", Handler::ClsidValueNames},
    {L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Shellex\\PropertySheetHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Protocols\\Handler", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Protocols\\Filter", Handler::HandlerSubkeys},
    {L"Software\\Classes\\AllFileSystemObjects\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Folder\\Shellex\\ColumnHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Shellex\\DragDropHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Shellex\\CopyHookHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Folder\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Classes\\Directory\\Background\\ShellEx\\ContextMenuHandlers", Handler::HandlerSubkeys},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers", Handler::HandlerSubkeys},
};

constexpr wchar_t kUserContextMenuPath[] = L"Software\\Classes\\*\\ShellEx\\ContextMenuHandlers";

}  // namespace

CTarnAutoRunExplorer::CTarnAutoRunExplorer(EntryFiles& files)
    : CTarnAutoRunBase(files), scratch_(std::make_unique<ClassScratch>()) {}

int32_t CTarnAutoRunExplorer::Enumerate() {
    for (const SearchRow& row : kSearchTable) {
        // A list both views share names classes each view registers on its own.
        classesOfBothViews_ = !Wow32PathOf(row.path);
        ReadKeyThenStore(HKEY_LOCAL_MACHINE, L"HKLM", row.path, [&](const std::wstring& walked) {
            switch (row.handler) {
                case Handler::ActiveSetup:
                    ReadActiveSetup(walked);
                    break;
                case Handler::NamedClsidValues:
                    ReadNamedClsidValues();
                    break;
                case Handler::ClsidValueNames:
                    ReadClsidValueNames();
                    break;
                case Handler::HandlerSubkeys:
                    ReadHandlerSubkeys(HKEY_LOCAL_MACHINE, walked);
                    break;
            }
        });
    }
    // The user's own context-menu handlers come last and have no store.
    classesOfBothViews_ = true;
    if (registry_->OpenRead(HKEY_CURRENT_USER, kUserContextMenuPath)) {
        results_.pass = 0;
        results_.locationText = JoinKeyText(L"HKCU", kUserContextMenuPath);
        ReadHandlerSubkeys(HKEY_CURRENT_USER, kUserContextMenuPath);
        registry_->Close();
    }
    classesOfBothViews_ = false;
    return 0;
}

bool CTarnAutoRunExplorer::LookUpClassName(const std::wstring& clsid) {
    RegKey key;
    if (!key.OpenRead(HKEY_CLASSES_ROOT, ClassKeyOfView(clsid))) {
        return false;
    }
    const auto name = ReadDefaultValue(key);
    if (!name) {
        return false;
    }
    scratch_->name = *name;
    return true;
}

bool CTarnAutoRunExplorer::LookUpClassDll(const std::wstring& clsid) {
    if (results_.current != nullptr) {
        results_.current->commandLine = JoinKeyText(L"HKCR", ClassKeyOfView(clsid));
    }
    RegKey key;
    if (!key.OpenRead(HKEY_CLASSES_ROOT, JoinKeyText(ClassKeyOfView(clsid), L"InProcServer32"))) {
        return false;
    }
    const auto dll = ReadDefaultValue(key);
    if (!dll) {
        return false;
    }
    scratch_->dll = *dll;
    return true;
}

void CTarnAutoRunExplorer::AddClassEntry(const std::wstring& clsid, bool nameFromClass) {
    if (results_.current == nullptr) {
        return;
    }
    const AutoRunEntry pattern = *results_.current;
    auto addInView = [&](RegistryView view) {
        const ViewScope scope(*this, view);
        results_.current = std::make_unique<AutoRunEntry>(pattern);
        results_.current->view = static_cast<int32_t>(view);
        if (nameFromClass && LookUpClassName(clsid)) {
            results_.current->name = scratch_->name;
        }
        if (LookUpClassDll(clsid) && ResolveCurrent(scratch_->dll)) {
            AddEntry();
        }
    };
    addInView(view());
    if (classesOfBothViews_ && kTwoRegistryViews) {
        addInView(RegistryView::Wow32);
    }
}

void CTarnAutoRunExplorer::ReadActiveSetup(const std::wstring& walkedPath) {
    ForEachSubKeyName(*registry_, [&](const std::wstring& component) {
        AutoRunEntry& entry = NewEntry();
        entry.keyPath = JoinKeyText(results_.locationText, component);
        entry.locateKind = LocateKey;
        entry.entryKind = KindKey;
        entry.subKeyName = component;
        RegKey key;
        if (!key.OpenRead(HKEY_LOCAL_MACHINE, JoinKeyText(walkedPath, component))) {
            return;
        }
        std::optional<std::wstring> title;
        std::optional<std::wstring> stubPath;
        ForEachValue(key, [&](const RegValue& value) {
            if (value.name.empty()) {
                title = TextOf(value);
            } else if (SameRegistryName(value.name, L"StubPath")) {
                stubPath = TextOf(value);
            }
        });
        if (!stubPath) {
            return;
        }
        entry.commandLine = *stubPath;
        if (ResolveCurrent(*stubPath)) {
            entry.name = title ? *title : L"n/a";
            AddEntry();
        }
    });
}

void CTarnAutoRunExplorer::ReadNamedClsidValues() {
    ForEachValue(*registry_, [&](const RegValue& value) {
        const std::wstring clsid = TextOf(value);
        AutoRunEntry& entry = NewEntry();
        entry.name = value.name;
        entry.valueName = value.name;
        entry.keyPath = results_.locationText;
        entry.entryKind = KindValue;
        entry.locateKind = LocateValue;
        AddClassEntry(clsid);
    });
}

void CTarnAutoRunExplorer::ReadClsidValueNames() {
    ForEachValue(*registry_, [&](const RegValue& value) {
        const std::wstring& clsid = value.name;
        AutoRunEntry& entry = NewEntry();
        entry.valueName = clsid;
        entry.keyPath = results_.locationText;
        entry.locateKind = LocateValue;
        entry.entryKind = KindValue;
        AddClassEntry(clsid, true);
    });
}

void CTarnAutoRunExplorer::ReadHandlerSubkeys(HKEY root, const std::wstring& keyPath) {
    ForEachSubKeyName(*registry_, [&](const std::wstring& subKey) {
        if (IsClsidLike(subKey)) {
            AutoRunEntry& entry = NewEntry();
            entry.keyPath = JoinKeyText(results_.locationText, subKey);
            entry.subKeyName = subKey;
            entry.locateKind = LocateKey;
            entry.entryKind = KindKey;
            AddClassEntry(subKey, true);
            return;
        }
        // A named handler: its values hold the class.
        RegKey handler;
        if (!handler.OpenRead(root, JoinKeyText(keyPath, subKey))) {
            return;
        }
        ForEachValue(handler, [&](const RegValue& value) {
            const std::wstring clsid = TextOf(value);
            if (!IsClsidLike(clsid)) {
                return;
            }
            AutoRunEntry& entry = NewEntry();
            entry.name = subKey;
            entry.subKeyName = subKey;
            entry.keyPath = JoinKeyText(results_.locationText, subKey);
            entry.locateKind = LocateKey;
            entry.entryKind = KindKey;
            AddClassEntry(clsid);
        });
    });
}

}  // namespace tarn
