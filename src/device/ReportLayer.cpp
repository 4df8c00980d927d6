#include "device/ReportLayer.h"

#include <algorithm>
#include <utility>

#include "unit/ModelTable.h"

namespace upsconfig {
namespace {

namespace p = protocol;

ReportLayer::ReportData Slice(const SettingsImage& image, std::size_t offset) {
    ReportLayer::ReportData data{};
    std::copy_n(image.bytes.begin() + offset, data.size(), data.begin());
    return data;
}

bool Differs(const SettingsImage& a, const SettingsImage& b, std::size_t offset) {
    return !std::equal(a.bytes.begin() + offset, a.bytes.begin() + offset + p::kDataBytes,
                       b.bytes.begin() + offset);
}

}  // namespace

void UpsFlags::StopPolling() {
    {
        // Under the lock, so a waiter between its look at the flag and its sleep cannot miss it.
        std::lock_guard lock(mutex_);
        keepPolling = 0;
    }
    stopped_.notify_all();
}

bool UpsFlags::WaitWhilePolling(std::chrono::milliseconds time) {
    std::unique_lock lock(mutex_);
    return !stopped_.wait_for(lock, time, [this] { return keepPolling.load() == 0; });
}

ReportLayer::ReportLayer(HidLink& link, Pauser pauser) : link_(link), pauser_(std::move(pauser)) {}

void ReportLayer::SetListener(ReportListener* listener) { listener_ = listener; }
SettingsImage& ReportLayer::Image() { return image_; }
const SettingsImage& ReportLayer::Image() const { return image_; }
UpsFlags& ReportLayer::Flags() { return flags_; }
bool ReportLayer::Connected() const { return link_.Connected(); }
std::string ReportLayer::LastFailure() const { return link_.LastFailure(); }

bool ReportLayer::ReadWithRetries(std::uint8_t id, std::span<std::uint8_t> data,
                                  bool gateOnKeepPolling) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        if (gateOnKeepPolling && flags_.keepPolling.load() == 0) return false;
        if (link_.ReadReport(id, data)) return true;
        pauser_(kRetryPauseMs);
    }
    return false;
}

void ReportLayer::ShareImage() {
    if (listener_) listener_->ShareImage(image_);
}

bool ReportLayer::ReadAllReports() {
    const bool identity = ReadIdentity();
    return ReadSettings() && identity;
}

bool ReportLayer::ImageFromUnit() const { return everRead_.all(); }

bool ReportLayer::ReadIdentity() {
    ReportData data{};
    if (!ReadWithRetries(p::kIdentification, data, false)) return false;
    image_.bytes[p::ModelCodeByte()] = data[0];
    everRead_.set(0);
    if (listener_) listener_->ShowVersions(data[1], data[2], data[3]);
    flags_.testInfo = data[3] != 0 ? 1 : 0;
    ShareImage();
    return true;
}

bool ReportLayer::ReadSettings() {
    bool all = true;
    for (std::size_t i = 0; i < p::kSettingsReports.size(); ++i) {
        const p::SettingsReport& report = p::kSettingsReports[i];
        ReportData data{};
        if (!ReadWithRetries(report.id, data, false)) {
            all = false;
            continue;
        }
        std::copy(data.begin(), data.end(), image_.bytes.begin() + Field(report.first).byte);
        everRead_.set(1 + i);
        ShareImage();
    }
    return all;
}

void ReportLayer::ReadStatus() {
    ReportData data{};
    if (ReadWithRetries(p::kStatus, data, true)) {
        flags_.outlet1On = (data[0] & p::status::kOutlet1On) ? 1 : 0;
        flags_.outlet2On = (data[0] & p::status::kOutlet2On) ? 1 : 0;
        flags_.upsOn = (data[0] & p::status::kUpsOn) ? 1 : 0;
    }
    // A failed status read does not keep the start-up time from being tried.
    if (flags_.testInfo.load() == 0) return;
    if (ReadWithRetries(p::kStartupTime, data, true) && listener_)
        listener_->ShowTimeSinceStartup(p::UnpackStartupTime(data));
}

bool ReportLayer::SendReport(std::uint8_t id, std::span<const std::uint8_t> data) {
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        const bool ok = link_.WriteReport(id, data);
        // The unit needs the time to take the report, so the pause follows success too.
        pauser_(kRetryPauseMs);
        if (ok) return true;
    }
    return false;
}

WriteOutcome ReportLayer::WriteReports(const SettingsImage& newImage,
                                       const SettingsImage& oldImage) {
    WriteOutcome outcome;
    // The summary tells the unit which reports it got: one given up is not among them, and
    // the pass is no success.
    const auto send = [&](std::uint8_t id, std::size_t offset, const ReportData& data) {
        if (!SendReport(id, data)) {
            outcome.allWritten = false;
            return false;
        }
        for (std::size_t i = 0; i < data.size(); ++i)
            outcome.writtenBytes.set(offset + i);
        return true;
    };

    const std::size_t settingsAt = *p::ImageOffset(p::kSettings);
    const std::size_t summaryAt = *p::ImageOffset(p::kSummary);
    const bool settingsWritten = Differs(newImage, oldImage, settingsAt) &&
                                 send(p::kSettings, settingsAt, Slice(newImage, settingsAt));

    if (!ModelTable::TakesEveryReport(newImage.bytes[p::ModelCodeByte()])) return outcome;

    // Bit k of the changed-reports byte names outlet report 0x3C + k.
    std::uint8_t updateMask = 0;
    for (const p::SettingsReport& report : p::kSettingsReports) {
        if (report.id < p::kFirstOutletReport || report.id > p::kLastOutletReport) continue;
        const std::size_t offset = Field(report.first).byte;
        if (!Differs(newImage, oldImage, offset)) continue;
        if (send(report.id, offset, Slice(newImage, offset)))
            updateMask =
                static_cast<std::uint8_t>(updateMask | (1u << (report.id - p::kFirstOutletReport)));
    }

    // Of the summary report only the settings bytes before its bookkeeping count.
    const auto summarySettings = newImage.bytes.begin() + summaryAt;
    const bool summaryUnchanged = std::equal(summarySettings, summarySettings + p::CommandByte(),
                                             oldImage.bytes.begin() + summaryAt);
    if (summaryUnchanged && updateMask == 0 && !settingsWritten) return outcome;

    ReportData summary = Slice(newImage, summaryAt);
    const std::size_t commandAt = p::CommandByte();
    const std::size_t changedAt = p::ChangedReportsByte();
    summary[commandAt] =
        static_cast<std::uint8_t>(summary[commandAt] | p::command::kWritten |
                                  (settingsWritten ? p::command::kSettingsWritten : 0));
    summary[changedAt] = static_cast<std::uint8_t>(summary[changedAt] | updateMask);
    send(p::kSummary, summaryAt, summary);
    return outcome;
}

std::vector<std::uint8_t> ReportLayer::ReportsToWrite(const SettingsImage& newImage,
                                                      const SettingsImage& oldImage) {
    std::vector<std::uint8_t> ids;
    const std::size_t summaryAt = *p::ImageOffset(p::kSummary);
    const bool writable = ModelTable::TakesEveryReport(newImage.bytes[p::ModelCodeByte()]);
    for (const p::SettingsReport& report : p::kSettingsReports) {
        if (report.id == p::kSummary || (!writable && report.id != p::kSettings)) continue;
        if (Differs(newImage, oldImage, Field(report.first).byte)) ids.push_back(report.id);
    }
    const auto summarySettings = newImage.bytes.begin() + summaryAt;
    const bool summaryChanged = !std::equal(summarySettings, summarySettings + p::CommandByte(),
                                            oldImage.bytes.begin() + summaryAt);
    if (writable && (summaryChanged || !ids.empty())) ids.push_back(p::kSummary);
    return ids;
}

std::uint8_t ReportLayer::OutletBits(int outlet, std::uint8_t outlet1Bits,
                                     std::uint8_t outlet2Bits) {
    if (outlet == 1) return outlet1Bits;
    if (outlet == 2) return outlet2Bits;
    return 0;
}

bool ReportLayer::SendCommand(std::uint8_t bits) {
    // No such outlet: sending 0x44 back without a command would still count as a write.
    if (bits == 0) return false;
    // The whole frame goes back as the unit sent it, bytes past its reply zero, with only the
    // command byte changed.
    std::array<std::uint8_t, HidLink::kBufferSize - 1> frame{};
    if (!ReadWithRetries(p::kSummary, frame, false)) return false;
    frame[p::CommandByte()] = static_cast<std::uint8_t>(frame[p::CommandByte()] | bits);
    return SendReport(p::kSummary, frame);
}

bool ReportLayer::TurnOutletOn(int outlet) {
    return SendCommand(OutletBits(outlet, p::command::kOutlet1On, p::command::kOutlet2On));
}

bool ReportLayer::TurnOutletOff(int outlet) {
    return SendCommand(OutletBits(outlet, p::command::kOutlet1Off, p::command::kOutlet2Off));
}

bool ReportLayer::RebootOutlet(int outlet) {
    return SendCommand(OutletBits(outlet, p::command::kOutlet1On | p::command::kOutlet1Off,
                                  p::command::kOutlet2On | p::command::kOutlet2Off));
}

bool ReportLayer::RequestBootloader() { return SendCommand(p::command::kDisplayUpdate); }

bool ReportLayer::StartBatteryTest() {
    const std::uint8_t data[] = {p::kBatteryTestStart};
    return SendReport(p::kBatteryTest, data);
}

bool ReportLayer::TerminateBatteryTest() {
    const std::uint8_t data[] = {p::kBatteryTestTerminate};
    return SendReport(p::kBatteryTest, data);
}

void ReportLayer::AdoptImage(const SettingsImage& source, SettingsImage& destination) {
    const std::uint8_t model = destination.bytes[p::ModelCodeByte()];
    destination = source;
    destination.bytes[p::ModelCodeByte()] = model;
}

}  // namespace upsconfig
