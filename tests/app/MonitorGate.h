#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>

#include "device/Pauser.h"

namespace upsconfig::test {

// Paces the monitor thread in tests: each pass ends in a pause that returns only when the test
// has allowed passes, or once `stopped` says the monitor is being stopped. Counts the passes.
class MonitorGate {
  public:
    explicit MonitorGate(std::function<bool()> stopped) : stopped_(std::move(stopped)) {}

    Pauser AsPauser() {
        return [this](int) { Pass(); };
    }

    void Allow(int passes) {
        std::lock_guard lock(mutex_);
        allowed_ += passes;
        changed_.notify_all();
    }

    // Waits (in real time, briefly) until `count` passes have ended in total.
    bool WaitForPasses(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return passes_ >= count; });
    }

    int Passes() const {
        std::lock_guard lock(mutex_);
        return passes_;
    }

  private:
    void Pass() {
        std::unique_lock lock(mutex_);
        ++passes_;
        changed_.notify_all();
        // The stop flag changes without a notification: look at it now and then.
        while (allowed_ == 0 && !stopped_())
            changed_.wait_for(lock, std::chrono::milliseconds(1));
        if (allowed_ > 0) --allowed_;
    }

    std::function<bool()> stopped_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int allowed_ = 0;
    int passes_ = 0;
};

}  // namespace upsconfig::test
