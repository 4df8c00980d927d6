#include "app/MonitorThread.h"

#include <utility>

namespace upsconfig {

MonitorThread::MonitorThread(ReportLayer& reports, Pauser pauser)
    : reports_(reports), pauser_(std::move(pauser)) {}

MonitorThread::~MonitorThread() {
    reports_.Flags().keepPolling = 0;
    Join();
}

void MonitorThread::Start(std::function<void()> eachPass) {
    if (started_) return;
    started_ = true;
    eachPass_ = std::move(eachPass);
    running_ = 1;
    thread_ = std::thread([this] { Run(); });
}

void MonitorThread::Join() {
    if (thread_.joinable()) thread_.join();
}

void MonitorThread::Run() {
    UpsFlags& flags = reports_.Flags();
    do {
        if (++pollCounter_ >= kPassesPerStatusRead) {
            pollCounter_ = 0;
            reports_.ReadStatus();
        }
        if (eachPass_) eachPass_();
        pauser_(kPassMs);
    } while (flags.keepPolling.load() != 0);
    running_ = 0;
}

}  // namespace upsconfig
