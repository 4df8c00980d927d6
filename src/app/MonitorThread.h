#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "device/Pauser.h"
#include "device/ReportLayer.h"

namespace upsconfig {

// The status monitor: one pass every 20 ms while keep-polling is set, a status read on every
// 161st pass, and the window's state update on every pass. The update is a function that must
// never wait for the user-interface thread (the window hands it over with a queued call), so
// that Exit, which waits for this thread, can never deadlock.
class MonitorThread {
  public:
    static constexpr int kPassMs = 20;
    static constexpr int kPassesPerStatusRead = 161;

    MonitorThread(ReportLayer& reports, Pauser pauser);
    ~MonitorThread();  // clears keep-polling and joins
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;

    // Sets the running flag and starts the thread; keep-polling must already be set. At most
    // once per run.
    void Start(std::function<void()> eachPass);
    // Waits for the thread to end (after keep-polling was cleared); no-op when never started.
    void Join();

    // The monitor-running flag: set from Start until the thread's last pass is over.
    bool Running() const { return running_.load() != 0; }
    bool Started() const { return started_; }

  private:
    void Run();

    ReportLayer& reports_;
    Pauser pauser_;
    std::function<void()> eachPass_;
    std::atomic<int> running_{0};
    int pollCounter_ = 0;  // the monitor thread's own once started
    bool started_ = false;
    std::thread thread_;
};

}  // namespace upsconfig
