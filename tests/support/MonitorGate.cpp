#include "support/MonitorGate.h"

#include <chrono>
#include <utility>

namespace upsconfig::support {

MonitorGate::MonitorGate(std::function<bool()> stopped) : stopped_(std::move(stopped)) {}

Pauser MonitorGate::AsPauser() {
    return [this](int milliseconds) { Wait(milliseconds); };
}

void MonitorGate::Allow(int waits) {
    std::lock_guard lock(mutex_);
    allowed_ += waits;
    changed_.notify_all();
}

bool MonitorGate::WaitForWaits(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return static_cast<int>(lengths_.size()) >= count; });
}

int MonitorGate::Waits() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(lengths_.size());
}

std::vector<int> MonitorGate::Lengths() const {
    std::lock_guard lock(mutex_);
    return lengths_;
}

void MonitorGate::Wait(int milliseconds) {
    std::unique_lock lock(mutex_);
    lengths_.push_back(milliseconds);
    changed_.notify_all();
    // The stop flag changes without a notification here: look at it now and then.
    while (allowed_ == 0 && !stopped_())
        changed_.wait_for(lock, std::chrono::milliseconds(1));
    if (allowed_ > 0) --allowed_;
}

}  // namespace upsconfig::support
