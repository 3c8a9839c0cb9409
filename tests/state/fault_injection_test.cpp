// Every state change run again with its registry calls failing: every call, once and from then on,
// with every error code the code meets; failures whose change takes effect before they are
// reported; and pairs of separate failures. Starting states include collisions, odd names, links,
// volatile keys and odd list values. After each run the registry must hold the starting state, the
// expected final state, or an in-between state in which every registration is still whole in at
// least one of its places, and nothing else may have changed.
#include "state/fault_scenarios.h"

#include "base/key_text.h"
#include "base/list_value.h"
#include "base/registry_data.h"
#include "base/store_name.h"
#include "support/fault_injector.h"
#include "support/registry_dump.h"
#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace tarn::test {
namespace {

// Not found, access denied, out of memory, more data, no more items, key deleted.
const LONG kErrorCodes[] = {2, 5, 14, 234, 259, 1018};

const std::wstring kStoreLeaf = kStoreName;
const std::wstring kProbePrefix = L"TarnAutoRunDisable.probe-";

std::wstring Leaf(const std::wstring& path) {
    return path.substr(path.rfind(L'\\') + 1);
}

bool HasSubKeys(const RegistryDump& dump, const std::wstring& path) {
    const auto next = dump.keys.lower_bound(path + L"\\");
    return next != dump.keys.end() && next->first.rfind(path + L"\\", 0) == 0;
}

// Empty store keys are harmless leftovers of a switch that failed after creating its store; an
// empty volatility probe may stay only when the registry failed more than once.
RegistryDump Normalize(RegistryDump dump, bool dropProbes) {
    for (auto it = dump.keys.rbegin(); it != dump.keys.rend();) {
        const std::wstring& path = it->first;
        const bool empty = it->second.values.empty() && !HasSubKeys(dump, path);
        const bool store = Leaf(path) == kStoreLeaf;
        const bool probe = Leaf(path).rfind(kProbePrefix, 0) == 0;
        if (empty && (store || (probe && dropProbes))) {
            it = std::make_reverse_iterator(dump.keys.erase(std::next(it).base()));
        } else {
            ++it;
        }
    }
    return dump;
}

// Every item of the watched list in the live value and in the store, folded for comparison.
std::multiset<std::wstring> ItemsOf(const RegistryDump& dump, const ListWatch& watch) {
    std::multiset<std::wstring> items;
    for (const std::wstring& key : {watch.key, watch.key + L"\\" + kStoreLeaf}) {
        const auto found = dump.keys.find(key);
        if (found == dump.keys.end()) {
            continue;
        }
        for (const auto& [name, value] : found->second.values) {
            if (!EqualsNoCaseAscii(name, watch.valueName)) {
                continue;
            }
            const std::wstring text =
                ListTextOf(Utf16UnitsFromBytes(value.second.data(), value.second.size()), watch.syntax);
            for (const std::wstring& item : SplitListItems(text, watch.syntax)) {
                items.insert(LowerAscii(item));
            }
        }
    }
    return items;
}

struct Verdict {
    bool lost = false;
    bool altered = false;
    bool falseSuccess = false;
    bool leftover = false;
    bool inBetween = false;
};

// A delete that answers failure has deleted nothing: whatever the final state removes is still
// there. (Once the registry fails for good midway, what went cannot be put back: the failure is
// reported, and the registry is what it is.)
bool DeletedOnFailure(const RegistryDump& a, const RegistryDump& b, const RegistryDump& x) {
    for (const auto& [path, key] : a.keys) {
        const auto inB = b.keys.find(path);
        const auto inX = x.keys.find(path);
        if (inB == b.keys.end()) {
            if (inX == x.keys.end()) {
                return true;  // a key the delete removes, gone although it failed
            }
            continue;
        }
        for (const auto& value : key.values) {
            const bool removed = inB->second.values.count(value.first) == 0;
            if (removed && (inX == x.keys.end() || inX->second.values.count(value.first) == 0)) {
                return true;
            }
        }
    }
    return false;
}

Verdict Classify(const Scenario& scenario,
                 const RegistryDump& start,
                 const RegistryDump& final,
                 const RegistryDump& after,
                 int32_t result,
                 bool leftoversAllowed,
                 bool failsForGood) {
    const RegistryDump a = Normalize(start, false);
    const RegistryDump b = Normalize(final, false);
    const RegistryDump x = Normalize(after, leftoversAllowed);
    Verdict verdict;
    verdict.falseSuccess = result != 0 && x != b;
    verdict.inBetween = x != a && x != b;
    if (!after.unreadable.empty()) {
        verdict.altered = true;
    }
    if (scenario.outcome == Outcome::Refused) {
        verdict.altered = verdict.altered || x != a;
        return verdict;
    }
    if (scenario.outcome == Outcome::Deletes && result == 0 && !failsForGood && DeletedOnFailure(a, b, x)) {
        verdict.lost = true;
    }
    auto notRegistration = [&](const std::wstring& path, const std::wstring& name) {
        return std::find(scenario.notRegistrations.begin(), scenario.notRegistrations.end(),
                         std::make_pair(path, name)) != scenario.notRegistrations.end();
    };
    std::set<std::wstring> paths;
    for (const RegistryDump* dump : {&a, &b, &x}) {
        for (const auto& entry : dump->keys) {
            paths.insert(entry.first);
        }
    }
    bool wholeAtSource = true;
    bool wholeAtTarget = true;
    for (const std::wstring& path : paths) {
        const auto inA = a.keys.find(path);
        const auto inB = b.keys.find(path);
        const auto inX = x.keys.find(path);
        const bool keyA = inA != a.keys.end();
        const bool keyB = inB != b.keys.end();
        const bool keyX = inX != x.keys.end();
        if (keyA == keyB && keyX != keyA) {
            verdict.altered = true;  // a key the operation does not move appeared or went
        }
        // A key keeps what makes it what it is: its class, volatility, link state and security.
        if (keyA && keyX && inX->second.traits != inA->second.traits &&
            !(keyB && inX->second.traits == inB->second.traits)) {
            verdict.altered = true;
        }
        if (keyB && !keyA && keyX && !leftoversAllowed && inX->second.traits != inB->second.traits) {
            verdict.altered = true;
        }
        if (keyA && !keyB && !keyX) {
            wholeAtSource = false;
        }
        if (keyB && !keyA && !keyX) {
            wholeAtTarget = false;
        }
        std::set<std::wstring> names;
        for (const auto& it : {inA, inB, inX}) {
            const auto& keys = it == inA ? a.keys : (it == inB ? b.keys : x.keys);
            if (it != keys.end()) {
                for (const auto& value : it->second.values) {
                    names.insert(value.first);
                }
            }
        }
        for (const std::wstring& name : names) {
            auto version = [&](bool has, auto it) -> const RegistryDump::Value* {
                if (!has) {
                    return nullptr;
                }
                const auto found = it->second.values.find(name);
                return found == it->second.values.end() ? nullptr : &found->second;
            };
            const auto* va = version(keyA, inA);
            const auto* vb = version(keyB, inB);
            const auto* vx = version(keyX, inX);
            auto same = [](const RegistryDump::Value* p, const RegistryDump::Value* q) {
                return (p == nullptr && q == nullptr) || (p != nullptr && q != nullptr && *p == *q);
            };
            if (same(va, vb)) {
                verdict.altered = verdict.altered || !same(vx, va);
                continue;
            }
            if (vx != nullptr && !same(vx, va) && !same(vx, vb)) {
                verdict.altered = true;  // bytes or type that neither state had
            }
            if (notRegistration(path, name)) {
                continue;
            }
            if (va != nullptr && !same(vx, va)) {
                wholeAtSource = false;
            }
            if (vb != nullptr && !same(vx, vb)) {
                wholeAtTarget = false;
            }
        }
    }
    if (scenario.list) {
        // No item of the list may disappear (but the one deleted) and none may appear.
        const auto before = ItemsOf(a, *scenario.list);
        const auto now = ItemsOf(x, *scenario.list);
        const std::wstring deleted = LowerAscii(scenario.list->deletedItem);
        for (const std::wstring& item : before) {
            if (item != deleted && now.count(item) == 0) {
                verdict.lost = true;
            }
        }
        for (const std::wstring& item : now) {
            if (before.count(item) == 0) {
                verdict.altered = true;
            }
        }
    } else if (scenario.outcome == Outcome::Moves) {
        verdict.lost = !wholeAtSource && !wholeAtTarget;
        // A partial copy of a key beside a source that is still whole: only when the registry
        // failed more than once, which may also stop the clean-up.
        const bool movesKeys = std::string(scenario.operation).find("Key") != std::string::npos;
        verdict.leftover = movesKeys && !leftoversAllowed && wholeAtSource && !wholeAtTarget && x != a;
    }
    return verdict;
}

// The expected final state: the starting state with the scenario's edits applied.
RegistryDump Expected(const Scenario& scenario, const RegistryDump& start, const RegistryDump& final) {
    RegistryDump expected = start;
    for (const Edit& edit : scenario.edits) {
        edit(expected, final);
    }
    return expected;
}

// Once a call fails for good, the codes the code never tells apart (access denied, out of memory,
// key deleted) lead down the same path: persistent failures use one of them beside the others.
const LONG kPersistentCodes[] = {2, 5, 234, 259};

using CallKind = FaultInjection::CallKind;

// Two separate failures: a run whose call n fails makes calls of its own (look-ups, put-backs) that
// a clean run never makes, so call n is paired with the calls of that run. Runs of up to this many
// calls pair every two; longer ones pair calls this close to each other or to the end.
constexpr int kAllPairsUpTo = 40;
constexpr int kPairDistance = 12;

// The second failures to pair with call n, from the calls of the run whose call n failed.
std::vector<int> Partners(int n, const std::vector<FaultInjection::CallKind>& failedRun) {
    const int calls = static_cast<int>(failedRun.size());
    std::vector<int> partners;
    for (int m = n + 1; m <= calls; ++m) {
        const bool paired = calls <= kAllPairsUpTo || m - n <= kPairDistance || m > calls - kPairDistance;
        if (paired && failedRun[static_cast<std::size_t>(m - 1)] != FaultInjection::CallKind::Close) {
            partners.push_back(m);
        }
    }
    return partners;
}

// `kinds[i]` is what call i+1 of the clean run is. A failed close still closes and its answer is
// never used, so plans whose failure falls on a close repeat other plans and are left out.
std::vector<FaultPlan> Plans(const std::vector<CallKind>& kinds) {
    const int calls = static_cast<int>(kinds.size());
    auto isClose = [&](int n) { return kinds[static_cast<std::size_t>(n - 1)] == CallKind::Close; };
    std::vector<FaultPlan> plans;
    for (int n = 1; n <= calls; ++n) {
        if (isClose(n)) {
            continue;
        }
        for (const LONG error : kErrorCodes) {
            plans.push_back(FaultPlan{{n}, false, false, error});
        }
        for (const LONG error : kPersistentCodes) {
            plans.push_back(FaultPlan{{n}, true, false, error});
        }
        const CallKind kind = kinds[static_cast<std::size_t>(n - 1)];
        if (kind == CallKind::Change || kind == CallKind::Security) {
            plans.push_back(FaultPlan{{n}, false, true, ERROR_ACCESS_DENIED});
        }
        if (kind == CallKind::Security) {
            // An owner this account may not give, once.
            plans.push_back(FaultPlan{{n}, false, false, ERROR_INVALID_OWNER});
        }
    }
    return plans;
}

std::string Describe(const FaultPlan& plan) {
    std::string text = "call";
    for (const int n : plan.failAt) {
        text += " " + std::to_string(n);
    }
    text += plan.persistent ? " and later" : "";
    text += plan.afterEffect ? " (after its change)" : "";
    return text + " failing with " + std::to_string(plan.error);
}

// The scenarios of this run: TARN_FAULT_SHARD="i/n" takes every n-th from the i-th (0-based), so
// that parts of the test run side by side; TARN_FAULT_ONLY keeps those whose name holds its text.
std::vector<Scenario> ScenariosOfThisShard(std::string& label) {
    std::vector<Scenario> all = FaultScenarios();
    if (const char* only = std::getenv("TARN_FAULT_ONLY")) {
        all.erase(
            std::remove_if(all.begin(), all.end(),
                           [&](const Scenario& s) { return std::string(s.name).find(only) == std::string::npos; }),
            all.end());
        label = std::string(" (scenarios with \"") + only + "\")";
    }
    const char* shard = std::getenv("TARN_FAULT_SHARD");
    unsigned index = 0;
    unsigned count = 1;
    if (shard == nullptr || std::sscanf(shard, "%u/%u", &index, &count) != 2 || count == 0 || index >= count) {
        return all;
    }
    label = " (part " + std::to_string(index + 1) + " of " + std::to_string(count) + ")";
    std::vector<Scenario> mine;
    for (std::size_t i = index; i < all.size(); i += count) {
        mine.push_back(std::move(all[i]));
    }
    return mine;
}

// Dump paths ("HKLM\\...", "HKU\\...") as a root and a path below it.
HKEY RootOf(const std::wstring& dumpPath) {
    return dumpPath.rfind(L"HKLM", 0) == 0    ? HKEY_LOCAL_MACHINE
           : dumpPath.rfind(L"HKU\\", 0) == 0 ? HKEY_USERS
                                              : HKEY_CURRENT_USER;
}

std::wstring BelowRoot(const std::wstring& dumpPath) {
    return dumpPath.substr(dumpPath.find(L'\\') + 1);
}

// Keys of `a` that `b` lacks.
std::vector<std::wstring> KeysOnlyIn(const RegistryDump& a, const RegistryDump& b) {
    std::vector<std::wstring> keys;
    for (const auto& entry : a.keys) {
        if (b.keys.count(entry.first) == 0) {
            keys.push_back(entry.first);
        }
    }
    return keys;
}

const std::wstring kIntruderName = L"TarnwellIntruder";
const std::wstring kIntruderMark = L"another program";

// Another program's key: created only when it is not there yet (it never writes into a key of
// the operation's), with a value that marks it. True when it was made.
bool CreateIntruderKey(const std::wstring& dumpPath) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(RootOf(dumpPath), BelowRoot(dumpPath).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return false;
    }
    const bool made = disposition == REG_CREATED_NEW_KEY;
    if (made) {
        ::RegSetValueExW(key, kIntruderName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kIntruderMark.c_str()),
                         static_cast<DWORD>((kIntruderMark.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(key);
    return made;
}

bool IntruderKeyIntact(const RegistryDump& dump, const std::wstring& dumpPath) {
    const auto key = dump.keys.find(dumpPath);
    return key != dump.keys.end() && key->second.values.size() == 1 && key->second.values.count(kIntruderName) == 1;
}

// The dump without the intruder's key and without the empty keys that `start` did not have (the
// operation's own leftovers of a refused step, the intruder's parents).
RegistryDump WithoutIntruder(RegistryDump dump, const std::wstring& dumpPath, const RegistryDump& start) {
    dump.keys.erase(dumpPath);
    for (auto it = dump.keys.rbegin(); it != dump.keys.rend();) {
        const bool empty = it->second.values.empty() && !HasSubKeys(dump, it->first);
        if (empty && start.keys.count(it->first) == 0) {
            it = std::make_reverse_iterator(dump.keys.erase(std::next(it).base()));
        } else {
            ++it;
        }
    }
    return dump;
}

struct Totals {
    std::set<std::string> operations;
    int runs = 0;
    int injected = 0;
    int lost = 0;
    int altered = 0;
    int falseSuccesses = 0;
    int leftovers = 0;
    int inBetween = 0;
    int refusals = 0;
    int intrusions = 0;
    int reported = 0;

    void Report(const std::string& what) {
        if (++reported <= 12) {
            ADD_FAILURE() << what;
        }
    }
};

// One run of a scenario under a plan, in a sandbox of its own: the registry afterwards, and what
// every call of the run was.
RegistryDump RunOnce(const Scenario& scenario,
                     const FaultPlan& plan,
                     int32_t& result,
                     Totals& totals,
                     std::vector<FaultInjection::CallKind>* kinds = nullptr) {
    RegistrySandbox sandbox;
    scenario.setup();
    {
        CAutoRunStateChanges changes;
        FaultInjection faults(plan);
        result = scenario.run(changes);
        totals.injected += faults.injected();
        if (kinds != nullptr) {
            *kinds = faults.kinds();
        }
    }
    ++totals.runs;
    return DumpRegistry();
}

// A key that refuses deletion, a key that refuses to be created, and each part of a copy's
// security refused: the operation refuses too and leaves the registry as it was, byte for byte.
void RunRefusingKeys(const Scenario& scenario, const RegistryDump& start, const RegistryDump& final, Totals& totals) {
    std::vector<FaultPlan> plans;
    for (const std::wstring& source : KeysOnlyIn(start, final)) {
        // An emptied store that stays is housekeeping left undone, not a registration.
        if (Leaf(source) == kStoreLeaf) {
            continue;
        }
        plans.emplace_back();
        plans.back().denyDeleteOf = source;
    }
    const std::vector<std::wstring> targets = KeysOnlyIn(final, start);
    for (const std::wstring& target : targets) {
        plans.emplace_back();
        plans.back().denyCreateOf = target;
    }
    const bool copiesKeys = std::string(scenario.operation).find("Key") != std::string::npos;
    if (copiesKeys && !targets.empty() && scenario.outcome == Outcome::Moves) {
        for (const SECURITY_INFORMATION part :
             {OWNER_SECURITY_INFORMATION, GROUP_SECURITY_INFORMATION, DACL_SECURITY_INFORMATION}) {
            plans.emplace_back();
            plans.back().refusedSecurity = part;
        }
    }
    for (const FaultPlan& plan : plans) {
        int32_t result = 0;
        const RegistryDump after = RunOnce(scenario, plan, result, totals);
        ++totals.refusals;
        if (result != 0 || after != start) {
            ++(result != 0 ? totals.falseSuccesses : totals.altered);
            totals.Report(scenario.name + " with " + Printable(plan.denyDeleteOf + plan.denyCreateOf) +
                          " refusing (security " + std::to_string(plan.refusedSecurity) + ") did not refuse cleanly\n" +
                          DescribeDifference(start, after));
        }
    }
}

// Another program writes at every call position of the clean run: a key beside the operation's
// (in the store), and, for key moves, the very key the move is about to create.
void RunIntrusions(const Scenario& scenario,
                   const RegistryDump& start,
                   const RegistryDump& final,
                   const std::vector<FaultInjection::CallKind>& kinds,
                   Totals& totals) {
    const std::vector<std::wstring> targets = KeysOnlyIn(final, start);
    std::wstring store;
    std::wstring collision;
    for (const std::wstring& path : targets) {
        if (Leaf(path) == kStoreLeaf && store.empty()) {
            store = path;
        } else if (Leaf(path) != kStoreLeaf && (collision.empty() || path.size() < collision.size())) {
            collision = path;
        }
    }
    if (store.empty()) {
        for (const auto& entry : start.keys) {
            if (Leaf(entry.first) == kStoreLeaf) {
                store = entry.first;
            }
        }
    }
    const bool movesKeys = std::string(scenario.operation).find("Key") != std::string::npos;
    struct Intrusion {
        std::wstring path;
        bool collides;
    };
    std::vector<Intrusion> intrusions;
    if (!store.empty()) {
        intrusions.push_back({store + L"\\" + kIntruderName, false});
    }
    // (A name with a NUL inside cannot be made through the plain calls another program uses.)
    if (movesKeys && !collision.empty() && collision.find(L'\0') == std::wstring::npos) {
        intrusions.push_back({collision, true});
    }
    for (const Intrusion& intrusion : intrusions) {
        for (int n = 1; n <= static_cast<int>(kinds.size()); ++n) {
            // A write before a close is a write before the call after it.
            if (kinds[static_cast<std::size_t>(n - 1)] == FaultInjection::CallKind::Close) {
                continue;
            }
            bool wrote = false;
            FaultPlan plan;
            plan.intrudeAt = n;
            plan.intrusion = [&] { wrote = CreateIntruderKey(intrusion.path); };
            int32_t result = 0;
            const RegistryDump after = RunOnce(scenario, plan, result, totals);
            ++totals.intrusions;
            bool sound = !wrote || IntruderKeyIntact(after, intrusion.path);
            if (!wrote) {
                // The name was the operation's already: nothing was written beside it.
                sound = result == 1 && Normalize(after, true) == Normalize(final, false);
            } else if (intrusion.collides) {
                // The name was taken first: the move must give way and leave the rest as it was.
                sound = sound && result == 0 &&
                        Normalize(WithoutIntruder(after, intrusion.path, start), true) == Normalize(start, false);
            } else {
                // Beside the operation, or too late to take its name: the operation does all it does
                // without, and the other program's key stays.
                sound = sound && result == 1 &&
                        Normalize(WithoutIntruder(after, intrusion.path, final), true) == Normalize(final, false);
            }
            if (!sound) {
                ++totals.altered;
                totals.Report(scenario.name + ": another program's key " + Printable(intrusion.path) +
                              " made before call " + std::to_string(n) + (wrote ? "" : " (not made)") + ", result " +
                              std::to_string(result) + "\n" + DescribeDifference(final, after));
            }
        }
    }
}

TEST(FaultInjection, NoRegistrationIsLostOrAlteredWhateverCallFails) {
    std::string label;
    const std::vector<Scenario> scenarios = ScenariosOfThisShard(label);
    Totals totals;
    for (const Scenario& scenario : scenarios) {
        totals.operations.insert(scenario.operation);
        RegistryDump start;
        RegistryDump final;
        std::vector<CallKind> callKinds;
        {
            RegistrySandbox sandbox;
            scenario.setup();
            start = DumpRegistry();
            CAutoRunStateChanges changes;
            int32_t result = 0;
            {
                FaultInjection counting(FaultPlan{});
                result = scenario.run(changes);
                callKinds = counting.kinds();
            }
            final = DumpRegistry();
            ASSERT_TRUE(start.unreadable.empty() && final.unreadable.empty())
                << scenario.name << DescribeDifference(start, final) << ::testing::PrintToString(start);
            ASSERT_EQ(scenario.outcome == Outcome::Refused ? 0 : 1, result) << scenario.name;
        }
        // The clean run itself must do exactly what the scenario says; a refusal changes nothing.
        const RegistryDump expected = Normalize(Expected(scenario, start, final), false);
        ASSERT_EQ(expected, Normalize(final, false)) << scenario.name << "\n"
                                                     << DescribeDifference(expected, Normalize(final, false));
        if (scenario.outcome == Outcome::Refused) {
            ASSERT_EQ(start, final) << scenario.name << "\n" << DescribeDifference(start, final);
        } else {
            ASSERT_NE(start, final) << scenario.name;
            RunRefusingKeys(scenario, start, final, totals);
        }
        if (scenario.outcome == Outcome::Moves) {
            RunIntrusions(scenario, start, final, callKinds, totals);
        }
        std::vector<FaultPlan> plans = Plans(callKinds);
        for (std::size_t next = 0; next < plans.size(); ++next) {
            const FaultPlan plan = plans[next];
            int32_t result = 0;
            std::vector<CallKind> runKinds;
            const RegistryDump after = RunOnce(scenario, plan, result, totals, &runKinds);
            // The first failure of a pair: the second falls on any later call of this run.
            const bool pairSeed =
                plan.failAt.size() == 1 && !plan.persistent && !plan.afterEffect &&
                plan.error == kErrorCodes[static_cast<std::size_t>(plan.failAt[0]) % std::size(kErrorCodes)];
            if (pairSeed) {
                for (const int m : Partners(plan.failAt[0], runKinds)) {
                    plans.push_back(FaultPlan{{plan.failAt[0], m}, false, false, plan.error});
                }
            }
            // A create whose change is made before it reports a failure leaves a key the operation
            // cannot prove its own: it stays, as it does when the registry fails more than once.
            const bool leftoversAllowed = plan.persistent || plan.failAt.size() > 1 || plan.afterEffect;
            const Verdict verdict = Classify(scenario, start, final, after, result, leftoversAllowed, plan.persistent);
            totals.lost += verdict.lost ? 1 : 0;
            totals.altered += verdict.altered ? 1 : 0;
            totals.falseSuccesses += verdict.falseSuccess ? 1 : 0;
            totals.leftovers += verdict.leftover ? 1 : 0;
            totals.inBetween += verdict.inBetween ? 1 : 0;
            const bool failedOnce = !plan.persistent && plan.failAt.size() == 1;
            const bool halfDone = scenario.together && failedOnce && verdict.inBetween;
            totals.altered += halfDone && !verdict.altered ? 1 : 0;
            if (verdict.lost || verdict.altered || verdict.falseSuccess || verdict.leftover || halfDone) {
                totals.Report(scenario.name + ": " + Describe(plan) + (verdict.lost ? " lost it" : "") +
                              (verdict.altered ? " altered something" : "") + (halfDone ? " did half" : "") +
                              (verdict.falseSuccess ? " reported success" : "") +
                              (verdict.leftover ? " left a partial copy" : "") + "\n" +
                              DescribeDifference(verdict.lost ? start : final, after));
            }
        }
    }
    std::printf(
        "fault injection%s: %d operations in %d scenarios, %d runs, %d injected failures, %d refusing keys "
        "or security, %d writes of another program, %d registrations lost, %d altered, %d false successes, "
        "%d partial copies left, %d runs ended in a documented in-between state\n",
        label.c_str(), static_cast<int>(totals.operations.size()), static_cast<int>(scenarios.size()), totals.runs,
        totals.injected, totals.refusals, totals.intrusions, totals.lost, totals.altered, totals.falseSuccesses,
        totals.leftovers, totals.inBetween);
    EXPECT_EQ(0, totals.lost);
    EXPECT_EQ(0, totals.altered);
    EXPECT_EQ(0, totals.falseSuccesses);
    EXPECT_EQ(0, totals.leftovers);
    EXPECT_GT(totals.runs, 0);
}

}  // namespace
}  // namespace tarn::test
