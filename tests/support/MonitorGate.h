#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "device/Pauser.h"

namespace upsconfig::support {

// Paces the monitor thread in tests: each of its waits returns only when the test has allowed
// one more, or once `stopped` says the monitor is being stopped. Counts the waits begun and
// keeps their lengths.
class MonitorGate {
  public:
    explicit MonitorGate(std::function<bool()> stopped);

    Pauser AsPauser();
    void Allow(int waits);

    // Waits (in real time, briefly) until `count` waits have begun in total: the monitor is
    // parked in the count-th, all it did before is done.
    bool WaitForWaits(int count);
    int Waits() const;
    std::vector<int> Lengths() const;  // of every wait begun, in milliseconds

  private:
    void Wait(int milliseconds);

    std::function<bool()> stopped_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int allowed_ = 0;
    std::vector<int> lengths_;
};

}  // namespace upsconfig::support
