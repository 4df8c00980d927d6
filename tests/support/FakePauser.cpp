#include "support/FakePauser.h"

namespace upsconfig::support {

Pauser FakePauser::AsPauser() {
    return [this](int milliseconds) { Pause(milliseconds); };
}

void FakePauser::Pause(int milliseconds) {
    std::function<void(int)> hook;
    {
        std::lock_guard lock(mutex_);
        pauses_.push_back(milliseconds);
        totalMs_ += milliseconds;
        hook = onPause;
    }
    if (hook) hook(milliseconds);
}

std::vector<int> FakePauser::Pauses() const {
    std::lock_guard lock(mutex_);
    return pauses_;
}

long long FakePauser::TotalMs() const {
    std::lock_guard lock(mutex_);
    return totalMs_;
}

std::size_t FakePauser::Count() const {
    std::lock_guard lock(mutex_);
    return pauses_.size();
}

void FakePauser::Reset() {
    std::lock_guard lock(mutex_);
    pauses_.clear();
    totalMs_ = 0;
}

}  // namespace upsconfig::support
