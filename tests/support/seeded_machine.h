#pragma once

#include "support/registry_seed.h"
#include "support/scratch_folder.h"
#include "support/shell_fixture.h"
#include "support/task_fixture.h"

#include <windows.h>

#include <memory>
#include <string>

namespace tarn::test {

// One registration in every category, written into the prefix's own machine (registry, task
// scheduler, desktop) and removed again: switched on ("On"), switched off where the category has a
// switched-off form ("Off"), and one whose file can be taken away ("Ghost"). Names carry the
// process id.
class SeededMachine {
public:
    // The tabs seeded: all but the WMI subscriptions'.
    static constexpr std::size_t kSeededTabs = 17;

    SeededMachine();
    ~SeededMachine();
    SeededMachine(const SeededMachine&) = delete;
    SeededMachine& operator=(const SeededMachine&) = delete;

    // The name a page shows for the registration of a variant ("On", "Off", "Ghost") on a tab.
    std::wstring Name(std::size_t tab, const std::wstring& variant) const;
    // Whether a tab has that variant. List tabs (7, 14, 15) name their entries after the list:
    // their rows are told apart by the seeded file.
    static bool IsListTab(std::size_t tab) { return tab == 7 || tab == 14 || tab == 15; }
    // Whether a tab has that variant.
    static bool Has(std::size_t tab, const std::wstring& variant);
    // Takes the ghosts' files away.
    void RemoveGhostFiles();

    RegistrySeed& seed() { return seed_; }
    const std::wstring& tag() const { return tag_; }
    std::wstring File(const std::wstring& name) const { return folder_ / name; }

private:
    void SeedTab(std::size_t tab, const std::wstring& variant);

    std::wstring tag_;
    ScratchFolder folder_;
    RegistrySeed seed_;
    ScheduledTasks tasks_;
    ShellTestFolder desktop_;
    std::wstring systemFolder_;
    std::wstring knownDllGhost_;
};

}  // namespace tarn::test
