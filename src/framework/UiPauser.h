#pragma once

#include "device/Pauser.h"

namespace upsconfig {

// The real pauser. On the user-interface thread it waits in a local event loop that keeps the
// windows painting and timers and queued calls running but holds back user input and the
// closing of windows (both are delivered after the wait, so no second action starts in the
// middle of one); on any other thread it sleeps.
class UiPauser {
  public:
    static void Pause(int milliseconds);
    static Pauser Make() { return &UiPauser::Pause; }

    // True while a pause runs on the user-interface thread. Handlers that may be reached from
    // inside such a wait (timers, queued calls) check it before starting anything long.
    static bool Waiting();
};

}  // namespace upsconfig
