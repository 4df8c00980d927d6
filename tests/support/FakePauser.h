#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "device/Pauser.h"

namespace upsconfig::test {

// Records every pause on a virtual clock instead of sleeping. Thread-safe. onPause, when set,
// runs after each recorded pause (outside the lock): a script can change the world "during"
// a pause, e.g. plug a unit back in.
class FakePauser {
  public:
    Pauser AsPauser() {
        return [this](int milliseconds) { Pause(milliseconds); };
    }

    void Pause(int milliseconds) {
        std::function<void(int)> hook;
        {
            std::lock_guard lock(mutex_);
            pauses_.push_back(milliseconds);
            totalMs_ += milliseconds;
            hook = onPause;
        }
        if (hook) hook(milliseconds);
    }

    std::vector<int> Pauses() const {
        std::lock_guard lock(mutex_);
        return pauses_;
    }
    long long TotalMs() const {
        std::lock_guard lock(mutex_);
        return totalMs_;
    }
    std::size_t Count() const {
        std::lock_guard lock(mutex_);
        return pauses_.size();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        pauses_.clear();
        totalMs_ = 0;
    }

    std::function<void(int milliseconds)> onPause;

  private:
    mutable std::mutex mutex_;
    std::vector<int> pauses_;
    long long totalMs_ = 0;
};

}  // namespace upsconfig::test
