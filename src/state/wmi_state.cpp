// A WMI binding is deleted only once it is kept, with its filter and consumer, as MOF text in a new
// file below the system's WMI folder; its filter and consumer go with it when no other binding
// uses them.
#include "state/state_changes.h"
#include "state/state_support.h"

#include "base/kept_copy_name.h"
#include "base/key_text.h"
#include "win/environment.h"
#include "win/wmi_source.h"

#include <string>
#include <vector>

namespace tarn {

namespace {

constexpr std::size_t kMaxKeptNameLength = 180;

// The MOF file that puts the objects back (mofcomp reads UTF-16 with its mark).
std::string MofBytes(const std::wstring& ns, const std::vector<const WmiObject*>& objects) {
    std::wstring text = L"#pragma namespace(\"\\\\\\\\.\\\\";
    for (const wchar_t c : ns) {
        text += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    }
    text += L"\")\r\n";
    for (const WmiObject* object : objects) {
        text += object->mof + L"\r\n";
    }
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<char>(static_cast<uint16_t>(unit) & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<uint16_t>(unit) >> 8) & 0xFF));
    }
    return bytes;
}

// Whether a binding other than `deleted` still uses the object at `path`; true when the bindings
// cannot be read (nothing that may be in use goes).
bool StillUsed(const std::wstring& ns, const std::wstring& deleted, const std::wstring& path) {
    std::vector<WmiObject> bindings;
    if (FAILED(Wmi().Instances(ns, L"__FilterToConsumerBinding", bindings))) {
        return true;
    }
    for (const WmiObject& binding : bindings) {
        if (!SameWmiPath(binding.path, deleted) &&
            (SameWmiPath(binding.Text(L"Filter"), path) || SameWmiPath(binding.Text(L"Consumer"), path))) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::wstring KeptWmiCopyFolder() {
    return JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"System32\\wbem\\TarnAutoRunDisable");
}

int32_t CAutoRunStateChanges::DeleteWmiBinding(const std::wstring& ns, const std::wstring& bindingPath) {
    WmiObject binding;
    if (ns.empty() || FAILED(Wmi().Object(ns, bindingPath, binding)) || binding.mof.empty()) {
        return 0;
    }
    std::vector<const WmiObject*> kept;
    WmiObject filter;
    WmiObject consumer;
    const std::wstring filterPath = binding.Text(L"Filter");
    const std::wstring consumerPath = binding.Text(L"Consumer");
    const bool hasFilter = !filterPath.empty() && SUCCEEDED(Wmi().Object(ns, filterPath, filter)) && !filter.mof.empty();
    const bool hasConsumer =
        !consumerPath.empty() && SUCCEEDED(Wmi().Object(ns, consumerPath, consumer)) && !consumer.mof.empty();
    // A binding names its filter and consumer: they come first, so that the file puts them back whole.
    for (const auto& [has, object] : {std::pair{hasFilter, &filter}, std::pair{hasConsumer, &consumer}}) {
        if (has) {
            kept.push_back(object);
        }
    }
    kept.push_back(&binding);
    const std::wstring wbem = JoinKeyText(ReadEnvironmentVariable(L"systemroot"), L"System32\\wbem");
    const std::wstring file =
        JoinKeyText(KeptWmiCopyFolder(), KeptCopyFileName(binding.path, L".mof", kMaxKeptNameLength));
    if (!KeepNewCopy(wbem, file, MofBytes(ns, kept)) || FAILED(Wmi().Delete(ns, bindingPath))) {
        return 0;
    }
    // The binding is gone; what only it used goes after it.
    for (const auto& [has, path] : {std::pair{hasFilter, filterPath}, std::pair{hasConsumer, consumerPath}}) {
        if (has && !StillUsed(ns, bindingPath, path)) {
            Wmi().Delete(ns, path);
        }
    }
    return 1;
}

}  // namespace tarn
