#include "device/ReportLayer.h"

#include <algorithm>
#include <utility>

namespace upsconfig {
namespace {

// The order in which a settings pass reads the reports.
constexpr std::array<std::uint8_t, 10> kSettingsReadOrder{0x32, 0x3C, 0x3D, 0x3E, 0x3F,
                                                          0x40, 0x41, 0x42, 0x43, 0x44};
// The report writer accepts model codes 1..53; anything else only gets report 0x32.
constexpr unsigned kHighestWritableModel = 53;

constexpr std::uint8_t kFlagWritten = 0x01;
constexpr std::uint8_t kFlagSettingsWritten = 0x02;
constexpr std::uint8_t kFlagOutlet1On = 0x04;
constexpr std::uint8_t kFlagOutlet1Off = 0x08;
constexpr std::uint8_t kFlagOutlet2On = 0x10;
constexpr std::uint8_t kFlagOutlet2Off = 0x20;
constexpr std::uint8_t kFlagBootloader = 0x80;

constexpr std::uint8_t kBatteryTestStart = 1;
constexpr std::uint8_t kBatteryTestTerminate = 3;

constexpr std::size_t kSummaryOffset = 4;
constexpr std::size_t kModelCodeByte = 8;
constexpr std::size_t kFirstOutletOffset = 10;

ReportLayer::ReportData Slice(const SettingsImage& image, std::size_t offset) {
    return {image.bytes[offset], image.bytes[offset + 1], image.bytes[offset + 2],
            image.bytes[offset + 3]};
}

bool Differs(const SettingsImage& a, const SettingsImage& b, std::size_t offset) {
    return !std::equal(a.bytes.begin() + offset, a.bytes.begin() + offset + 4,
                       b.bytes.begin() + offset);
}

}  // namespace

ReportLayer::ReportLayer(HidLink& link, Pauser pauser) : link_(link), pauser_(std::move(pauser)) {}

void ReportLayer::SetListener(ReportListener* listener) { listener_ = listener; }
SettingsImage& ReportLayer::Image() { return image_; }
const SettingsImage& ReportLayer::Image() const { return image_; }
UpsFlags& ReportLayer::Flags() { return flags_; }
bool ReportLayer::Connected() const { return link_.Connected(); }

std::size_t ReportLayer::ImageOffset(std::uint8_t reportId) {
    if (reportId == kSettings) return 0;
    if (reportId == kSummary) return kSummaryOffset;
    return kFirstOutletOffset + 4u * static_cast<std::size_t>(reportId - kFirstOutletReport);
}

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
    if (!ReadWithRetries(kIdentification, data, false)) return false;
    image_.bytes[kModelCodeByte] = data[0];
    everRead_.set(0);
    if (listener_) listener_->ShowVersions(data[1], data[2], data[3]);
    flags_.testInfo = data[3] != 0 ? 1 : 0;
    ShareImage();
    return true;
}

bool ReportLayer::ReadSettings() {
    bool all = true;
    for (std::size_t i = 0; i < kSettingsReadOrder.size(); ++i) {
        const std::uint8_t id = kSettingsReadOrder[i];
        ReportData data{};
        if (!ReadWithRetries(id, data, false)) {
            all = false;
            continue;
        }
        std::copy(data.begin(), data.end(), image_.bytes.begin() + ImageOffset(id));
        everRead_.set(1 + i);
        ShareImage();
    }
    return all;
}

void ReportLayer::ReadStatus() {
    ReportData data{};
    if (ReadWithRetries(kStatus, data, true)) {
        flags_.outlet1On = (data[0] & 0x01) ? 1 : 0;
        flags_.outlet2On = (data[0] & 0x02) ? 1 : 0;
        flags_.upsOn = (data[0] & 0x04) ? 1 : 0;
    }
    // A failed status read does not keep the start-up time from being tried.
    if (flags_.testInfo.load() == 0) return;
    if (ReadWithRetries(kStartupTime, data, true)) {
        const std::uint32_t raw = static_cast<std::uint32_t>(data[0]) |
                                  (static_cast<std::uint32_t>(data[1]) << 8) |
                                  (static_cast<std::uint32_t>(data[2]) << 16) |
                                  (static_cast<std::uint32_t>(data[3]) << 24);
        if (listener_) listener_->ShowTimeSinceStartup(static_cast<std::int32_t>(raw));
    }
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

    const bool settingsWritten =
        Differs(newImage, oldImage, 0) && send(kSettings, 0, Slice(newImage, 0));

    const unsigned model = newImage.bytes[kModelCodeByte];
    if (model == 0 || model > kHighestWritableModel) return outcome;

    std::uint8_t updateMask = 0;
    for (unsigned k = 0; k < 8; ++k) {
        const std::size_t offset = kFirstOutletOffset + 4 * k;
        if (!Differs(newImage, oldImage, offset)) continue;
        if (send(static_cast<std::uint8_t>(kFirstOutletReport + k), offset,
                 Slice(newImage, offset)))
            updateMask = static_cast<std::uint8_t>(updateMask | (1u << k));
    }

    const bool summaryUnchanged =
        newImage.bytes[4] == oldImage.bytes[4] && newImage.bytes[5] == oldImage.bytes[5];
    if (summaryUnchanged && updateMask == 0 && !settingsWritten) return outcome;

    ReportData summary = Slice(newImage, kSummaryOffset);
    summary[2] = static_cast<std::uint8_t>(summary[2] | kFlagWritten |
                                           (settingsWritten ? kFlagSettingsWritten : 0));
    summary[3] = static_cast<std::uint8_t>(summary[3] | updateMask);
    send(kSummary, kSummaryOffset, summary);
    return outcome;
}

std::uint8_t ReportLayer::OutletBits(int outlet, std::uint8_t outlet1Bits,
                                     std::uint8_t outlet2Bits) {
    if (outlet == 1) return outlet1Bits;
    if (outlet == 2) return outlet2Bits;
    return 0;
}

void ReportLayer::SendCommand(std::uint8_t bits) {
    // No such outlet: sending 0x44 back without a command would still count as a write.
    if (bits == 0) return;
    // The whole frame goes back as the unit sent it, bytes past its reply zero, with only the
    // command byte changed.
    std::array<std::uint8_t, HidLink::kBufferSize - 1> frame{};
    if (!ReadWithRetries(kSummary, frame, false)) return;  // dropped without a word
    frame[2] = static_cast<std::uint8_t>(frame[2] | bits);
    SendReport(kSummary, frame);
}

void ReportLayer::TurnOutletOn(int outlet) {
    SendCommand(OutletBits(outlet, kFlagOutlet1On, kFlagOutlet2On));
}

void ReportLayer::TurnOutletOff(int outlet) {
    SendCommand(OutletBits(outlet, kFlagOutlet1Off, kFlagOutlet2Off));
}

void ReportLayer::RebootOutlet(int outlet) {
    SendCommand(
        OutletBits(outlet, kFlagOutlet1On | kFlagOutlet1Off, kFlagOutlet2On | kFlagOutlet2Off));
}

void ReportLayer::RequestBootloader() { SendCommand(kFlagBootloader); }

void ReportLayer::StartBatteryTest() {
    const std::uint8_t data[] = {kBatteryTestStart};
    SendReport(kBatteryTest, data);
}

void ReportLayer::TerminateBatteryTest() {
    const std::uint8_t data[] = {kBatteryTestTerminate};
    SendReport(kBatteryTest, data);
}

void ReportLayer::AdoptImage(const SettingsImage& source, SettingsImage& destination) {
    const std::uint8_t model = destination.bytes[kModelCodeByte];
    destination = source;
    destination.bytes[kModelCodeByte] = model;
}

}  // namespace upsconfig
