// WMI subscriptions, read through a source that holds real subscription objects (Wine's WMI has
// no subscription namespace), and from Wine's own WMI; a binding is deleted only once it is kept.
#include "fileinfo/machine_files.h"
#include "model/wmi_subscriptions.h"
#include "state/state_changes.h"
#include "win/task_scheduler.h"
#include "win/wmi_source.h"

#include "support/category_fixture.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tarn {
namespace {

// Namespaces of objects by path; an object's MOF text is made from its properties.
class HeldWmi final : public WmiSource {
public:
    void Add(const std::wstring& ns, WmiObject object) {
        object.mof = L"instance of " + object.className + L" { /* " + object.path + L" */ };";
        objects_[ns].push_back(std::move(object));
    }
    // Its path as WMI writes it: each reference quoted, the quotes inside escaped.
    void Binding(const std::wstring& ns, const std::wstring& filter, const std::wstring& consumer) {
        const auto quoted = [](const std::wstring& path) {
            std::wstring text = L"\"";
            for (const wchar_t c : path) {
                text += c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, c);
            }
            return text + L"\"";
        };
        const std::wstring path = L"__FilterToConsumerBinding.Consumer=" + quoted(consumer) + L",Filter=" + quoted(filter);
        Add(ns, {path, L"__FilterToConsumerBinding", {{L"Filter", filter}, {L"Consumer", consumer}}});
    }
    bool Has(const std::wstring& ns, const std::wstring& path) const {
        WmiObject ignored;
        return const_cast<HeldWmi*>(this)->Object(ns, path, ignored) == S_OK;
    }

    HRESULT ChildNamespaces(const std::wstring& ns, std::vector<std::wstring>& names) override {
        for (const auto& [name, held] : objects_) {
            const std::size_t cut = name.rfind(L'\\');
            if (cut != std::wstring::npos && EqualsNoCaseAscii(name.substr(0, cut), ns)) {
                names.push_back(name);
            }
        }
        return S_OK;
    }
    HRESULT Instances(const std::wstring& ns, const std::wstring& className, std::vector<WmiObject>& found) override {
        for (const WmiObject& object : objects_[ns]) {
            if (object.className == className) {
                found.push_back(object);
            }
        }
        return objects_.count(ns) != 0 ? S_OK : static_cast<HRESULT>(0x8004100E);
    }
    HRESULT Object(const std::wstring& ns, const std::wstring& path, WmiObject& object) override {
        for (const WmiObject& held : objects_[ns]) {
            if (SameWmiPath(held.path, path)) {
                object = held;
                return S_OK;
            }
        }
        return static_cast<HRESULT>(0x80041002);  // not found
    }
    HRESULT Delete(const std::wstring& ns, const std::wstring& path) override {
        auto& held = objects_[ns];
        for (auto it = held.begin(); it != held.end(); ++it) {
            if (SameWmiPath(it->path, path)) {
                held.erase(it);
                return S_OK;
            }
        }
        return static_cast<HRESULT>(0x80041002);
    }

private:
    std::map<std::wstring, std::vector<WmiObject>> objects_;
};

const std::wstring kSub = L"root\\subscription";
const std::wstring kFilter = L"__EventFilter.Name=\"Every minute\"";

class WmiSubscriptionsTest : public test::CategoryTest {
protected:
    WmiSubscriptionsTest() {
        wmi_.KeepUnresolved(true);
        wmi.Add(kSub, {kFilter, L"__EventFilter", {{L"Name", L"Every minute"}, {L"Query", L"SELECT * FROM __TimerEvent"}}});
        wmi.Add(L"root\\default", {});
    }

    std::vector<std::wstring> Scan() {
        wmi_.ClearResults();
        wmi_.Enumerate();
        std::vector<std::wstring> rows;
        for (const auto& e : wmi_.results().entries) {
            rows.push_back(e->name + L" | " + e->commandLine + L" | " + LowerAscii(e->imagePath) + L" | " +
                           (e->startsNoFile ? L"no file" : L"file") + L" | " + e->details + L" | " + e->technique);
        }
        return rows;
    }

    HeldWmi wmi;
    ScopedWmiSource useHeld{wmi};
    CTarnAutoRunWmiSubscriptions wmi_{MachineFiles()};
    CAutoRunStateChanges changes;
};

TEST_F(WmiSubscriptionsTest, EveryBindingIsListedWithWhatItsConsumerRuns) {
    wmi_.UseTechnique(L"T1546.003");
    const std::wstring program = File(L"evil tools\\beacon.exe");
    const std::wstring script = File(L"scripts\\run.vbs");
    const std::wstring runner = L"CommandLineEventConsumer.Name=\"Runner\"";
    wmi.Add(kSub, {runner, L"CommandLineEventConsumer",
                   {{L"Name", L"Runner"}, {L"ExecutablePath", program}, {L"WorkingDirectory", L"C:\\temp"}}});
    wmi.Add(kSub, {L"ActiveScriptEventConsumer.Name=\"Inline\"", L"ActiveScriptEventConsumer",
                   {{L"Name", L"Inline"}, {L"ScriptingEngine", L"VBScript"}, {L"ScriptText", L"\r\n  Set o = 1\r\nrest"}}});
    wmi.Add(kSub, {L"ActiveScriptEventConsumer.Name=\"File\"", L"ActiveScriptEventConsumer",
                   {{L"Name", L"File"}, {L"ScriptingEngine", L"JScript"}, {L"ScriptFileName", script}}});
    wmi.Add(kSub, {L"LogFileEventConsumer.Name=\"Log\"", L"LogFileEventConsumer",
                   {{L"Name", L"Log\x1b[2J"}, {L"Filename", L"C:\\log.txt"}}});
    for (const wchar_t* consumer : {L"CommandLineEventConsumer.Name=\"Runner\"", L"ActiveScriptEventConsumer.Name=\"Inline\"",
                                    L"ActiveScriptEventConsumer.Name=\"File\"", L"LogFileEventConsumer.Name=\"Log\"",
                                    L"CommandLineEventConsumer.Name=\"Gone\""}) {
        wmi.Binding(kSub, kFilter, consumer);
    }
    // A binding in a namespace of its own, whose filter is gone.
    wmi.Add(L"root\\cimv2\\hidden", {});
    wmi.Add(L"root\\cimv2", {});
    wmi.Binding(L"root\\cimv2\\hidden", L"__EventFilter.Name=\"Missing\"", runner);
    wmi.Add(L"root\\cimv2\\hidden", {runner, L"CommandLineEventConsumer",
                                     {{L"Name", L"Runner"}, {L"CommandLineTemplate", L"cmd /c " + program}}});
    const std::wstring query = L"筛选器：SELECT * FROM __TimerEvent";
    EXPECT_EQ((std::vector<std::wstring>{
                  L"Runner | " + program + L" | " + LowerAscii(program) + L" | file | " + query +
                      L"    工作目录：C:\\temp | T1546.003",
                  L"Inline | VBScript: Set o = 1 |  | no file | " + query + L" | T1546.003",
                  L"File | JScript: " + script + L" | " + LowerAscii(script) + L" | file | " + query + L" | T1546.003",
                  L"Log\x1b[2J | LogFileEventConsumer: C:\\log.txt |  | no file | " + query + L" | T1546.003",
                  L"__FilterToConsumerBinding.Consumer=\"CommandLineEventConsumer.Name=\\\"Gone\\\"\",Filter=\""
                  L"__EventFilter.Name=\\\"Every minute\\\"\" | （消费者不存在：CommandLineEventConsumer.Name=\"Gone\"） |  | no file | " + query +
                      L" | T1546.003",
                  L"Runner | cmd /c " + program + L" |  | file | 筛选器：（不存在：__EventFilter.Name=\"Missing\"） | T1546.003",
              }),
              Scan());
    EXPECT_TRUE(wmi_.results().unreadable.empty());
    const AutoRunEntry& first = *wmi_.results().entries[0];
    EXPECT_EQ(kSub, first.keyPath);
    EXPECT_EQ(kSub + L":" + first.valueName, first.location);
    EXPECT_EQ(KindWmiBinding, first.entryKind);
}

TEST_F(WmiSubscriptionsTest, DeleteKeepsTheSubscriptionAndLeavesWhatOthersUse) {
    const std::wstring a = L"CommandLineEventConsumer.Name=\"A\"";
    const std::wstring b = L"CommandLineEventConsumer.Name=\"B\"";
    for (const std::wstring& consumer : {a, b}) {
        wmi.Add(kSub, {consumer, L"CommandLineEventConsumer", {{L"Name", consumer}, {L"ExecutablePath", L"x.exe"}}});
        wmi.Binding(kSub, kFilter, consumer);
    }
    const std::wstring bindingA = L"__FilterToConsumerBinding.Consumer=\"CommandLineEventConsumer.Name=\\\"A\\\"\","
                                  L"Filter=\"__EventFilter.Name=\\\"Every minute\\\"\"";
    // The copy cannot be written (a file where its folder belongs): nothing is deleted.
    const std::wstring kept = KeptWmiCopyFolder();
    File(L"WINDOWS\\System32\\wbem\\TarnAutoRunDisable");
    EXPECT_EQ(0, changes.DeleteWmiBinding(kSub, bindingA));
    EXPECT_TRUE(wmi.Has(kSub, bindingA) && wmi.Has(kSub, a) && wmi.Has(kSub, kFilter));
    ASSERT_TRUE(::DeleteFileW(kept.c_str()));

    ASSERT_EQ(1, changes.DeleteWmiBinding(kSub, bindingA));
    EXPECT_FALSE(wmi.Has(kSub, bindingA));
    EXPECT_FALSE(wmi.Has(kSub, a));        // only that binding used it
    EXPECT_TRUE(wmi.Has(kSub, kFilter));  // B's binding still does
    // Named after the binding; the filter, the consumer and the binding, in the namespace they were in.
    std::string bytes;
    ASSERT_TRUE(TaskFiles().readFile((kept + L"\\__FilterToConsumerBinding.Consumer=%22CommandLineEventConsumer.Name=%5C"
                                             L"%22A%5C%22%22,Filter=%22__EventFilter.Name=%5C%22Every minute%5C%22%22.mof")
                                         .c_str(),
                                     &bytes));
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_EQ(0, text.find(L"#pragma namespace(\"\\\\\\\\.\\\\root\\\\subscription\")"));
    const std::size_t filter = text.find(L"instance of __EventFilter");
    const std::size_t consumer = text.find(L"instance of CommandLineEventConsumer");
    EXPECT_TRUE(filter < consumer && consumer < text.find(L"instance of __FilterToConsumerBinding")) << bytes;
    // The same binding made again and deleted: a second file, the first one untouched.
    wmi.Add(kSub, {a, L"CommandLineEventConsumer", {{L"Name", L"A"}}});
    wmi.Binding(kSub, kFilter, a);
    ASSERT_EQ(1, changes.DeleteWmiBinding(kSub, bindingA));
    WIN32_FIND_DATAW found{};
    int files = 0;
    const HANDLE search = ::FindFirstFileW((kept + L"\\*.mof").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
        ++files;
    }
    ::FindClose(search);
    EXPECT_EQ(2, files);
    EXPECT_TRUE(wmi.Has(kSub, kFilter));
}

TEST(WmiOfThisSystem, SaysOnceWhenSubscriptionsCannotBeRead) {
    std::vector<WmiObject> bindings;
    if (SUCCEEDED(Wmi().Instances(L"root\\subscription", L"__FilterToConsumerBinding", bindings))) {
        GTEST_SKIP() << "this system's WMI holds subscriptions: nothing to report";
    }
    CTarnAutoRunWmiSubscriptions wmi{MachineFiles()};
    wmi.Enumerate();
    EXPECT_TRUE(wmi.results().entries.empty());
    ASSERT_EQ(1u, wmi.results().unreadable.size());
    EXPECT_NE(std::wstring::npos, wmi.results().unreadable[0].find(L"WMI root\\subscription"));
}

}  // namespace
}  // namespace tarn
