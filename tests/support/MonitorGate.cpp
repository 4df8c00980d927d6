#include "support/MonitorGate.h"

#include <chrono>
#include <utility>

namespace upsconfig::support {

MonitorGate::MonitorGate(std::function<bool()> stopped) : stopped_(std::move(stopped)) {}

Pauser MonitorGate::AsPauser() {
    return [this](int) { Pass(); };
}

void MonitorGate::Allow(int passes) {
    std::lock_guard lock(mutex_);
    allowed_ += passes;
    changed_.notify_all();
}

bool MonitorGate::WaitForPasses(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return passes_ >= count; });
}

int MonitorGate::Passes() const {
    std::lock_guard lock(mutex_);
    return passes_;
}

void MonitorGate::Pass() {
    std::unique_lock lock(mutex_);
    ++passes_;
    changed_.notify_all();
    // The stop flag changes without a notification: look at it now and then.
    while (allowed_ == 0 && !stopped_())
        changed_.wait_for(lock, std::chrono::milliseconds(1));
    if (allowed_ > 0) --allowed_;
}

}  // namespace upsconfig::support
