#include "sim/SimulatedUps.h"

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include "device/HidLink.h"
#include "device/ReportDescriptor.h"

namespace upsconfig {
SimulatedUps::ReportData SimulatedUps::Transfer::Data() const {
    ReportData data{};
    for (std::size_t i = 0; i < data.size() && i + 1 < bytes.size(); ++i)
        data[i] = bytes[i + 1];
    return data;
}

SimulatedUps::SimulatedUps() : descriptor_(SimulatedUnit::ReportDescriptor()) {
    interfaces_.push_back({{kDefaultPath, kUpsVendorId, kUpsProductId, {}}, std::nullopt});
}

// --- How it is attached ----------------------------------------------------------------------

void SimulatedUps::AddInterface(const std::string& path, std::uint16_t vendorId,
                                std::uint16_t productId,
                                std::optional<std::vector<std::uint8_t>> descriptor) {
    std::lock_guard lock(mutex_);
    interfaces_.push_back({{path, vendorId, productId, {}}, std::move(descriptor)});
}

void SimulatedUps::SetInterfaceIds(const std::string& path, std::uint16_t vendorId,
                                   std::uint16_t productId) {
    std::lock_guard lock(mutex_);
    for (Interface& i : interfaces_) {
        if (i.info.path == path) {
            i.info.vendorId = vendorId;
            i.info.productId = productId;
        }
    }
}

void SimulatedUps::SetInterfaceSerial(const std::string& path, const std::string& serial) {
    std::lock_guard lock(mutex_);
    for (Interface& i : interfaces_) {
        if (i.info.path == path) i.info.serial = serial;
    }
}

void SimulatedUps::SetReportDescriptor(std::vector<std::uint8_t> descriptor) {
    std::lock_guard lock(mutex_);
    descriptor_ = std::move(descriptor);
}

void SimulatedUps::Unplug() {
    std::lock_guard lock(mutex_);
    plugged_ = false;
    ++plugGeneration_;
}

void SimulatedUps::Replug() {
    std::lock_guard lock(mutex_);
    plugged_ = true;
    ++plugGeneration_;
}

bool SimulatedUps::Plugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

// --- Faults ----------------------------------------------------------------------------------

void SimulatedUps::FailNextTransfers(int count) { FailTransfers(0, count); }

void SimulatedUps::FailTransfers(int skip, int count) {
    std::lock_guard lock(mutex_);
    skipBeforeFail_ = std::max(0, skip);
    failNext_ = std::max(0, count);
}

void SimulatedUps::FailReport(std::uint8_t id) {
    std::lock_guard lock(mutex_);
    failingIds_[id] = true;
}

void SimulatedUps::FailOpen(const std::string& path, OpenFailure failure) {
    std::lock_guard lock(mutex_);
    if (failure.kind == OpenFailure::Kind::None) {
        openFailures_.erase(path);
    } else {
        openFailures_[path] = std::move(failure);
    }
}

void SimulatedUps::ClearFailReport(std::uint8_t id) {
    std::lock_guard lock(mutex_);
    failingIds_.erase(id);
}

void SimulatedUps::SetLatency(std::chrono::microseconds latency) {
    std::lock_guard lock(mutex_);
    latency_ = latency;
}

void SimulatedUps::SetReplyLength(std::uint8_t id, std::size_t bytes) {
    std::lock_guard lock(mutex_);
    replyLengths_[id] = bytes;
}

// --- What happened ---------------------------------------------------------------------------

void SimulatedUps::SetTransferListener(TransferListener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

std::vector<SimulatedUps::Transfer> SimulatedUps::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void SimulatedUps::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::vector<std::uint8_t> SimulatedUps::SuccessfulIds(Direction direction) const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> ids;
    for (const Transfer& t : log_) {
        if (t.direction == direction && t.ok) ids.push_back(t.id);
    }
    return ids;
}

std::vector<std::uint8_t> SimulatedUps::WrittenIds() const { return SuccessfulIds(Direction::Set); }

std::vector<std::uint8_t> SimulatedUps::ReadIds() const { return SuccessfulIds(Direction::Get); }

std::optional<SimulatedUps::ReportData> SimulatedUps::LastWrite(std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    for (auto it = log_.rbegin(); it != log_.rend(); ++it) {
        if (it->direction == Direction::Set && it->ok && it->id == id) return it->Data();
    }
    return std::nullopt;
}

int SimulatedUps::CountTransfers(Direction direction, std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(log_.begin(), log_.end(), [&](const Transfer& t) {
        return t.direction == direction && t.id == id;
    }));
}

int SimulatedUps::OpenCount() const {
    std::lock_guard lock(mutex_);
    return openCount_;
}

std::string SimulatedUps::OpenPath() const {
    std::lock_guard lock(mutex_);
    return open_ ? openPath_ : std::string();
}

int SimulatedUps::OverlappingTransfers() const {
    std::lock_guard lock(mutex_);
    return overlaps_;
}

// --- HidBackend ------------------------------------------------------------------------------

std::vector<HidInterface> SimulatedUps::Enumerate() {
    std::lock_guard lock(mutex_);
    std::vector<HidInterface> list;
    if (!plugged_) return list;
    for (const Interface& i : interfaces_)
        list.push_back(i.info);
    return list;
}

bool SimulatedUps::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    open_ = false;
    lastOpenFailure_ = {};
    const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                 [&](const Interface& i) { return i.info.path == path; });
    if (!plugged_ || it == interfaces_.end()) {
        lastOpenFailure_ = {OpenFailure::Kind::Gone, ENOENT, "No such file or directory"};
        return false;
    }
    if (const auto failure = openFailures_.find(path); failure != openFailures_.end()) {
        lastOpenFailure_ = failure->second;
        return false;
    }
    open_ = true;
    openPath_ = path;
    openGeneration_ = plugGeneration_;
    ++openCount_;
    return true;
}

std::optional<std::size_t> SimulatedUps::FeatureReportLength() {
    std::lock_guard lock(mutex_);
    if (!open_) return std::nullopt;
    const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                 [&](const Interface& i) { return i.info.path == openPath_; });
    const std::vector<std::uint8_t>& descriptor =
        (it != interfaces_.end() && it->descriptor) ? *it->descriptor : descriptor_;
    descriptorUnavailable_ = descriptor.empty();
    return FeatureReportLengthFromDescriptor(descriptor);
}

OpenFailure SimulatedUps::LastOpenFailure() const {
    std::lock_guard lock(mutex_);
    return lastOpenFailure_;
}

void SimulatedUps::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

bool SimulatedUps::BeginTransfer(std::uint8_t id, std::chrono::microseconds& latency) {
    std::lock_guard lock(mutex_);
    if (inTransfer_ > 0) ++overlaps_;
    ++inTransfer_;
    latency = latency_;
    return !TransferFailsLocked(id);
}

void SimulatedUps::EndTransfer() { --inTransfer_; }

bool SimulatedUps::TransferFailsLocked(std::uint8_t id) {
    if (!open_ || !plugged_ || openGeneration_ != plugGeneration_) return true;
    if (skipBeforeFail_ > 0) {
        --skipBeforeFail_;
    } else if (failNext_ > 0) {
        --failNext_;
        return true;
    }
    return failingIds_.contains(id);
}

void SimulatedUps::Record(Direction direction, std::span<const std::uint8_t> frame, bool ok) {
    log_.push_back(Transfer{direction, frame.empty() ? std::uint8_t{0} : frame[0],
                            std::vector<std::uint8_t>(frame.begin(), frame.end()), ok,
                            open_ ? openPath_ : std::string()});
}

void SimulatedUps::TellListener(std::unique_lock<std::mutex>& lock) {
    if (!listener_) return;
    const TransferListener listener = listener_;
    const Transfer transfer = log_.back();
    lock.unlock();
    listener(transfer);
}

int SimulatedUps::GetFeatureReport(std::span<std::uint8_t> buffer) {
    if (buffer.empty()) return -1;
    std::chrono::microseconds latency{0};
    bool ok = BeginTransfer(buffer[0], latency);
    if (latency.count() > 0) std::this_thread::sleep_for(latency);
    std::unique_lock lock(mutex_);
    ReportData data{};
    ok = ok && unit_.Answer(buffer[0], data);
    // A report is its id and four data bytes, however long the caller's buffer: the rest of
    // the buffer stays as it was, as a kernel leaves it.
    std::size_t reply = 1;
    if (ok) {
        const auto shortened = replyLengths_.find(buffer[0]);
        reply = std::min(buffer.size(),
                         shortened != replyLengths_.end() ? shortened->second : 1 + data.size());
        for (std::size_t i = 1; i < reply; ++i)
            buffer[i] = i - 1 < data.size() ? data[i - 1] : 0;
    }
    Record(Direction::Get, buffer.first(std::max<std::size_t>(reply, 1)), ok);
    EndTransfer();
    TellListener(lock);
    return ok ? static_cast<int>(reply) : -1;
}

bool SimulatedUps::SetFeatureReport(std::span<const std::uint8_t> buffer) {
    if (buffer.empty()) return false;
    std::chrono::microseconds latency{0};
    bool ok = BeginTransfer(buffer[0], latency);
    if (latency.count() > 0) std::this_thread::sleep_for(latency);
    std::unique_lock lock(mutex_);
    ReportData data{};
    for (std::size_t i = 0; i < data.size() && i + 1 < buffer.size(); ++i)
        data[i] = buffer[i + 1];
    ok = ok && unit_.Take(buffer[0], data);
    Record(Direction::Set, buffer, ok);
    EndTransfer();
    TellListener(lock);
    return ok;
}

}  // namespace upsconfig
