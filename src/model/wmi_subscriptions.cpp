#include "model/wmi_subscriptions.h"

#include "base/key_text.h"
#include "base/registry_failure.h"

namespace tarn {

namespace {

constexpr wchar_t kBindingClass[] = L"__FilterToConsumerBinding";
constexpr const wchar_t* kUsualNamespaces[] = {L"root\\subscription", L"root\\default"};
// Namespaces nest; none of a real machine is this deep or this many.
constexpr int kMaxNamespaceDepth = 8;
constexpr std::size_t kMaxNamespaces = 1000;
constexpr HRESULT kInvalidNamespace = static_cast<HRESULT>(0x8004100E);

std::wstring FirstLine(const std::wstring& text) {
    const std::size_t start = text.find_first_not_of(L" \t\r\n");
    if (start == std::wstring::npos) {
        return {};
    }
    return text.substr(start, text.find_first_of(L"\r\n", start) - start);
}

std::wstring Quoted(const std::wstring& path) {
    return path.empty() || path.front() == L'"' ? path : L"\"" + path + L"\"";
}

bool IsClass(const WmiObject& object, const wchar_t* name) {
    return EqualsNoCaseAscii(object.className, name);
}

}  // namespace

int32_t CTarnAutoRunWmiSubscriptions::Enumerate() {
    toldCannotRead_ = false;
    // Where the namespace made for subscriptions does not exist, WMI holds none anywhere: no other
    // namespace is asked.
    std::vector<WmiObject> first;
    const HRESULT hr = Wmi().Instances(kUsualNamespaces[0], kBindingClass, first);
    if (hr == kInvalidNamespace) {
        CannotRead(kUsualNamespaces[0], hr);
        return 0;
    }
    for (const std::wstring& ns : Namespaces()) {
        // The subscription namespace was asked already.
        std::vector<WmiObject> bindings;
        const bool asked = EqualsNoCaseAscii(ns, kUsualNamespaces[0]);
        const HRESULT answer = asked ? hr : Wmi().Instances(ns, kBindingClass, bindings);
        if (asked) {
            bindings = std::move(first);
        }
        if (FAILED(answer)) {
            // Only the namespaces made for subscriptions must answer; another may lack the class.
            for (const wchar_t* usual : kUsualNamespaces) {
                if (EqualsNoCaseAscii(ns, usual)) {
                    CannotRead(ns, answer);
                }
            }
        }
        for (const WmiObject& binding : bindings) {
            AddBinding(ns, binding);
        }
    }
    return 0;
}

std::vector<std::wstring> CTarnAutoRunWmiSubscriptions::Namespaces() {
    std::vector<std::wstring> all(std::begin(kUsualNamespaces), std::end(kUsualNamespaces));
    const auto known = [&](const std::wstring& ns) {
        for (const std::wstring& seen : all) {
            if (EqualsNoCaseAscii(seen, ns)) {
                return true;
            }
        }
        return false;
    };
    std::vector<std::pair<std::wstring, int>> toWalk = {{L"root", 0}};
    while (!toWalk.empty() && all.size() < kMaxNamespaces) {
        const auto [ns, depth] = toWalk.back();
        toWalk.pop_back();
        std::vector<std::wstring> children;
        Wmi().ChildNamespaces(ns, children);
        for (const std::wstring& child : children) {
            if (!known(child) && all.size() < kMaxNamespaces) {
                all.push_back(child);
            }
            if (depth + 1 < kMaxNamespaceDepth) {
                toWalk.emplace_back(child, depth + 1);
            }
        }
    }
    return all;
}

void CTarnAutoRunWmiSubscriptions::CannotRead(const std::wstring& ns, HRESULT hr) {
    if (!toldCannotRead_) {
        toldCannotRead_ = true;
        Unreadable(L"WMI " + ns, L"此系统上无法读取 WMI 订阅（" + HresultText(hr) + L"）");
    }
}

void CTarnAutoRunWmiSubscriptions::AddBinding(const std::wstring& ns, const WmiObject& binding) {
    const std::wstring filterPath = binding.Text(L"Filter");
    const std::wstring consumerPath = binding.Text(L"Consumer");
    WmiObject filter;
    WmiObject consumer;
    const bool hasFilter = !filterPath.empty() && SUCCEEDED(Wmi().Object(ns, filterPath, filter));
    const bool hasConsumer = !consumerPath.empty() && SUCCEEDED(Wmi().Object(ns, consumerPath, consumer));

    ReadContext at;
    at.location = ns + L":" + binding.path;
    AutoRunEntry entry = NewEntry(at);
    entry.keyPath = ns;
    entry.valueName = binding.path;
    entry.entryKind = KindWmiBinding;
    entry.details = L"筛选器：" + (hasFilter ? filter.Text(L"Query") : L"（不存在：" + filterPath + L"）");
    entry.name = hasConsumer && !consumer.Text(L"Name").empty() ? consumer.Text(L"Name") : binding.path;
    // What starts: a program, a script, or something of another kind that starts no file.
    std::wstring file;
    if (!hasConsumer) {
        entry.commandLine = L"（消费者不存在：" + consumerPath + L"）";
    } else if (IsClass(consumer, L"CommandLineEventConsumer")) {
        const std::wstring program = consumer.Text(L"ExecutablePath");
        const std::wstring command = consumer.Text(L"CommandLineTemplate");
        entry.commandLine = command.empty() ? program : command;
        file = program.empty() ? command : Quoted(program);
        const std::wstring folder = consumer.Text(L"WorkingDirectory");
        if (!folder.empty()) {
            entry.details += L"    工作目录：" + folder;
        }
    } else if (IsClass(consumer, L"ActiveScriptEventConsumer")) {
        const std::wstring script = consumer.Text(L"ScriptFileName");
        entry.commandLine =
            consumer.Text(L"ScriptingEngine") + L": " + (script.empty() ? FirstLine(consumer.Text(L"ScriptText")) : script);
        file = script.empty() ? L"" : Quoted(script);
    } else {
        std::wstring target;
        for (const wchar_t* property : {L"Filename", L"SourceName", L"ToLine", L"SMTPServer"}) {
            if (target.empty()) {
                target = consumer.Text(property);
            }
        }
        entry.commandLine = consumer.className + L": " + target;
    }
    if (!file.empty()) {
        AddResolved(std::move(entry), file, at);
        return;
    }
    entry.startsNoFile = true;
    Add(std::move(entry), at);
}

}  // namespace tarn
