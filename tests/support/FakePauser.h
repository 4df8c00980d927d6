#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "device/Pauser.h"

namespace upsconfig::support {

// Records every pause on a virtual clock instead of sleeping. Thread-safe. onPause, when set,
// runs after each recorded pause (outside the lock): a script can change the world "during"
// a pause, e.g. plug a unit back in.
class FakePauser {
  public:
    Pauser AsPauser();
    void Pause(int milliseconds);

    std::vector<int> Pauses() const;
    long long TotalMs() const;
    std::size_t Count() const;
    void Reset();

    std::function<void(int milliseconds)> onPause;

  private:
    mutable std::mutex mutex_;
    std::vector<int> pauses_;
    long long totalMs_ = 0;
};

}  // namespace upsconfig::support
