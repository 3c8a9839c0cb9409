// Tasks the scheduler's registry cache holds but its interfaces do not return (as a task whose
// security descriptor was removed): listed from the cache, marked, and deleted only once kept.
#include "fileinfo/machine_files.h"
#include "model/scheduled_tasks.h"
#include "state/state_changes.h"

#include "support/category_fixture.h"
#include "support/registry_dump.h"

#include "base/key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

const std::wstring kCache = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache";
const std::wstring kId = L"{7A5C0000-0000-4000-8000-0000000000AA}";

void Put(std::vector<BYTE>& bytes, uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
}

void PutText(std::vector<BYTE>& bytes, const std::wstring& text) {
    Put(bytes, static_cast<uint32_t>(text.size() * 2), 4);
    for (const wchar_t c : text) {
        Put(bytes, static_cast<uint32_t>(c), 2);
    }
}

// The "Actions" value of a version 3 definition that runs one program.
std::vector<BYTE> ExecActions(const std::wstring& program, const std::wstring& arguments) {
    std::vector<BYTE> bytes;
    Put(bytes, 3, 2);
    PutText(bytes, L"Author");
    Put(bytes, 0x6666, 2);
    PutText(bytes, L"");
    PutText(bytes, program);
    PutText(bytes, arguments);
    PutText(bytes, L"");
    Put(bytes, 0, 2);
    return bytes;
}

class CachedTasksTest : public test::CategoryTest {
protected:
    // Plants a task as the scheduler keeps it, but without its security descriptor.
    void PlantHidden(const std::wstring& folder, const std::wstring& name, const std::vector<BYTE>& actions) {
        test::WriteString(HKEY_LOCAL_MACHINE, kCache + L"\\Tree" + folder + L"\\" + name, L"Id", kId);
        test::WriteValue(HKEY_LOCAL_MACHINE, kCache + L"\\Tasks\\" + kId, L"Actions", REG_BINARY, actions.data(),
                         static_cast<DWORD>(actions.size()));
        test::WriteString(HKEY_LOCAL_MACHINE, kCache + L"\\Tasks\\" + kId, L"Path", folder + L"\\" + name);
    }

    std::vector<const AutoRunEntry*> Hidden() {
        tasks.ClearResults();
        tasks.Enumerate();
        std::vector<const AutoRunEntry*> hidden;
        for (const auto& entry : tasks.results().entries) {
            if (entry->hiddenFromScheduler) {
                hidden.push_back(entry.get());
            }
        }
        return hidden;
    }

    CTarnAutoRunScheduledTasks tasks{MachineFiles()};
    CAutoRunStateChanges changes;
};

TEST_F(CachedTasksTest, AHiddenTaskIsListedWithItsProgramAndDeletedOnceKept) {
    const std::wstring program = File(L"tarrask\\winupd.exe");
    PlantHidden(L"\\Microsoft\\Windows\\UpdateOrchestrator", L"Tree Sync", ExecActions(program, L"-k netsvcs"));
    // A folder key without an id is no task.
    test::CreateKey(HKEY_LOCAL_MACHINE, kCache + L"\\Tree\\Empty Folder");
    const auto hidden = Hidden();
    ASSERT_EQ(1u, hidden.size());
    const AutoRunEntry& entry = *hidden[0];
    EXPECT_EQ(L"\\Microsoft\\Windows\\UpdateOrchestrator\\Tree Sync", entry.name);
    EXPECT_EQ(LowerAscii(program), LowerAscii(entry.imagePath));
    EXPECT_EQ(program + L" -k netsvcs", entry.commandLine);
    EXPECT_EQ(KindCachedTask, entry.entryKind);
    EXPECT_EQ(kId, entry.valueName);

    const test::RegistryDump before = test::DumpRegistry();
    ASSERT_EQ(1, changes.DeleteCachedTask(entry.keyPath, entry.valueName));
    EXPECT_TRUE(Hidden().empty());
    // Both keys stand whole in the cache's store, outside the tree the scheduler reads.
    const test::RegistryDump after = test::DumpRegistry();
    const std::wstring store = L"HKLM\\" + kCache + L"\\TarnAutoRunDisable";
    const auto same = [&](const std::wstring& was, const std::wstring& now) {
        const auto a = before.keys.find(L"HKLM\\" + kCache + was);
        const auto b = after.keys.find(store + now);
        return a != before.keys.end() && b != after.keys.end() && a->second.values == b->second.values &&
               after.keys.count(L"HKLM\\" + kCache + was) == 0;
    };
    EXPECT_TRUE(same(L"\\Tree\\Microsoft\\Windows\\UpdateOrchestrator\\Tree Sync",
                     L"\\Tree\\Microsoft\\Windows\\UpdateOrchestrator\\Tree Sync"));
    EXPECT_TRUE(same(L"\\Tasks\\" + kId, L"\\Tasks\\" + kId));
}

TEST_F(CachedTasksTest, ActionsThatCannotBeReadWholeStillListTheTask) {
    std::vector<BYTE> cut = ExecActions(L"C:\\x.exe", L"");
    cut.resize(cut.size() - 7);
    PlantHidden(L"", L"Cut", cut);
    const auto hidden = Hidden();
    ASSERT_EQ(1u, hidden.size());
    EXPECT_TRUE(hidden[0]->startsNoFile);
    EXPECT_EQ(L"\\Cut", hidden[0]->name);
    // A store that is a link is refused: nothing is deleted.
    test::CreateLinkTo(HKEY_LOCAL_MACHINE, kCache, L"TarnAutoRunDisable",
                       test::NativeKeyName(HKEY_LOCAL_MACHINE, L"Software"));
    EXPECT_EQ(0, changes.DeleteCachedTask(hidden[0]->keyPath, hidden[0]->valueName));
    EXPECT_EQ(1u, Hidden().size());
}

}  // namespace
}  // namespace tarn
