#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "device/Pauser.h"
#include "device/ReportLayer.h"

namespace upsconfig {

// The status monitor: while keep-polling is set, a status read on every 161st pass of 20 ms, at
// the very moments of a pass every 20 ms, but the passes between are one wait, which
// UpsFlags::StopPolling cuts short (Exit ends within one pass without the thread waking 50 times
// a second). After every status read it calls a function that must never wait for the
// user-interface thread (the window hands the state over with a queued call when it changed),
// so that Exit, which waits for this thread, can never deadlock.
class MonitorThread {
  public:
    static constexpr int kPassMs = 20;
    static constexpr int kPassesPerStatusRead = 161;

    // pauser takes the waits (tests); empty = the real wait that StopPolling wakes.
    MonitorThread(ReportLayer& reports, Pauser pauser);
    ~MonitorThread();  // clears keep-polling and joins
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;

    // Sets the running flag and starts the thread; keep-polling must already be set. At most
    // once per run.
    void Start(std::function<void()> afterStatusRead);
    // Waits for the thread to end (after keep-polling was cleared); no-op when never started.
    void Join();

    // The monitor-running flag: set from Start until the thread's last pass is over.
    bool Running() const { return running_.load() != 0; }
    bool Started() const { return started_; }

  private:
    void Run();
    // Waits that many passes; false when keep-polling is clear.
    bool WaitPasses(int passes);

    ReportLayer& reports_;
    Pauser pauser_;
    std::function<void()> afterStatusRead_;
    std::atomic<int> running_{0};
    bool started_ = false;
    std::thread thread_;
};

}  // namespace upsconfig
