#include "app/MonitorThread.h"

#include <chrono>
#include <utility>

#ifdef __linux__
#include <pthread.h>
#endif

namespace upsconfig {

MonitorThread::MonitorThread(ReportLayer& reports, Pauser pauser)
    : reports_(reports), pauser_(std::move(pauser)) {}

MonitorThread::~MonitorThread() {
    reports_.Flags().StopPolling();
    Join();
}

void MonitorThread::Start(std::function<void()> afterStatusRead) {
    if (started_) return;
    started_ = true;
    afterStatusRead_ = std::move(afterStatusRead);
    running_ = 1;
    thread_ = std::thread([this] { Run(); });
}

void MonitorThread::Join() {
    if (thread_.joinable()) thread_.join();
}

void MonitorThread::Run() {
#ifdef __linux__
    // Named, so that top -H and the idle figures tell it from the user-interface thread.
    pthread_setname_np(pthread_self(), "ups-monitor");
#endif
    // The first read comes at the 161st pass, after 160 passes' time; the next ones 161 passes
    // after the one before.
    int passes = kPassesPerStatusRead - 1;
    while (WaitPasses(passes)) {
        reports_.ReadStatus();
        if (afterStatusRead_) afterStatusRead_();
        passes = kPassesPerStatusRead;
    }
    running_ = 0;
}

bool MonitorThread::WaitPasses(int passes) {
    UpsFlags& flags = reports_.Flags();
    if (flags.keepPolling.load() == 0) return false;
    const int ms = passes * kPassMs;
    if (!pauser_) return flags.WaitWhilePolling(std::chrono::milliseconds(ms));
    pauser_(ms);
    return flags.keepPolling.load() != 0;
}

}  // namespace upsconfig
