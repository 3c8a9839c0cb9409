#pragma once

#include <memory>
#include <mutex>

namespace tarn {

// One object that every thread of a scan shares: current from the scope's construction to its
// destruction, none outside a scan. Holders of Current() keep it alive past the scope.
template <typename T>
class ScanScope {
public:
    ScanScope() : object_(std::make_shared<T>()) {
        Slot& slot = TheSlot();
        const std::lock_guard<std::mutex> lock(slot.mutex);
        slot.current = object_;
    }
    ~ScanScope() {
        Slot& slot = TheSlot();
        const std::lock_guard<std::mutex> lock(slot.mutex);
        if (slot.current == object_) {
            slot.current.reset();
        }
    }
    ScanScope(const ScanScope&) = delete;
    ScanScope& operator=(const ScanScope&) = delete;

    T& object() const { return *object_; }

    static std::shared_ptr<T> Current() {
        Slot& slot = TheSlot();
        const std::lock_guard<std::mutex> lock(slot.mutex);
        return slot.current;
    }

private:
    struct Slot {
        std::mutex mutex;
        std::shared_ptr<T> current;
    };
    static Slot& TheSlot() {
        static Slot slot;
        return slot;
    }

    std::shared_ptr<T> object_;
};

}  // namespace tarn
