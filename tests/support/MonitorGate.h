#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

#include "device/Pauser.h"

namespace upsconfig::support {

// Paces the monitor thread in tests: each pass ends in a pause that returns only when the test
// has allowed passes, or once `stopped` says the monitor is being stopped. Counts the passes.
class MonitorGate {
  public:
    explicit MonitorGate(std::function<bool()> stopped);

    Pauser AsPauser();
    void Allow(int passes);

    // Waits (in real time, briefly) until `count` passes have ended in total.
    bool WaitForPasses(int count);
    int Passes() const;

  private:
    void Pass();

    std::function<bool()> stopped_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int allowed_ = 0;
    int passes_ = 0;
};

}  // namespace upsconfig::support
