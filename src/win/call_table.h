#pragma once

#include <atomic>

namespace tarn {

// A table of platform calls that a test can replace: the real table, unless a scope installed
// another for its life. The registry and the task scheduler each have one.
template <typename Table, const Table& (*Real)()>
class CallTable {
public:
    // The table in use now.
    static const Table& Current() { return *Slot().load(std::memory_order_acquire); }

    // Installs another table for the life of the scope; restores the previous one afterwards.
    class Scope {
    public:
        explicit Scope(const Table& replacement)
            : previous_(Slot().exchange(&replacement, std::memory_order_acq_rel)) {}
        ~Scope() { Slot().store(previous_, std::memory_order_release); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        const Table* previous_;
    };

private:
    static std::atomic<const Table*>& Slot() {
        static std::atomic<const Table*> slot{&Real()};
        return slot;
    }
};

}  // namespace tarn
