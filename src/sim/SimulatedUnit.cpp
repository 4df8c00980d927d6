#include "sim/SimulatedUnit.h"

#include <algorithm>
#include <utility>

namespace upsconfig {
namespace {

namespace p = protocol;

void ApplyOutletCommand(bool& outlet, bool turnOn, bool turnOff) {
    // Both bits mean reboot: off, then on again, so the outlet ends up on.
    if (turnOn) {
        outlet = true;
    } else if (turnOff) {
        outlet = false;
    }
}

}  // namespace

SimulatedUnit::SimulatedUnit() {
    for (const p::SettingsReport& report : p::kSettingsReports)
        settings_[report.id] = {};
}

std::vector<std::uint8_t> SimulatedUnit::ReportDescriptor() {
    std::vector<std::uint8_t> d{
        0x06, 0x00,          0xFF,  // Usage Page (vendor defined)
        0x09, 0x01,                 // Usage (1)
        0xA1, 0x01,                 // Collection (Application)
        0x15, 0x00,                 //   Logical Minimum (0)
        0x26, 0xFF,          0x00,  //   Logical Maximum (255)
        0x75, 0x08,                 //   Report Size (8)
        0x95, p::kDataBytes,        //   Report Count
    };
    for (std::uint8_t id : p::kAllReports) {
        d.insert(d.end(), {0x85, id,      // Report ID
                           0x09, 0x01,    // Usage (1)
                           0xB1, 0x02});  // Feature (Data, Variable, Absolute)
    }
    d.push_back(0xC0);  // End Collection
    return d;
}

void SimulatedUnit::SetClock(Clock clock) {
    std::lock_guard lock(mutex_);
    // The start-up time and a running test carry on from where the old clock left them.
    const std::int32_t seconds = StartupSecondsLocked();
    const std::optional<std::int64_t> testMs =
        BatteryTestRunningLocked() ? std::optional(NowLocked() - *batteryTestStartMs_)
                                   : std::nullopt;
    clock_ = std::move(clock);
    startupSeconds_ = seconds;
    startupSetAtMs_ = NowLocked();
    batteryTestStartMs_ = testMs ? std::optional(NowLocked() - *testMs) : std::nullopt;
}

void SimulatedUnit::SetModelCode(std::uint8_t code) {
    std::lock_guard lock(mutex_);
    modelCode_ = code;
}

std::uint8_t SimulatedUnit::ModelCode() const {
    std::lock_guard lock(mutex_);
    return modelCode_;
}

void SimulatedUnit::SetVersions(std::uint8_t hardware, std::uint8_t powerFirmware,
                                std::uint8_t monitorFirmware) {
    std::lock_guard lock(mutex_);
    versions_ = {hardware, powerFirmware, monitorFirmware};
}

std::array<std::uint8_t, 3> SimulatedUnit::Versions() const {
    std::lock_guard lock(mutex_);
    return versions_;
}

void SimulatedUnit::SetOnline(bool online) {
    std::lock_guard lock(mutex_);
    online_ = online;
}

bool SimulatedUnit::Online() const {
    std::lock_guard lock(mutex_);
    return online_;
}

void SimulatedUnit::SetOutlet(int outlet, bool on) {
    std::lock_guard lock(mutex_);
    if (outlet == 1 || outlet == 2) outlets_[static_cast<std::size_t>(outlet - 1)] = on;
}

bool SimulatedUnit::OutletOn(int outlet) const {
    std::lock_guard lock(mutex_);
    return (outlet == 1 || outlet == 2) && outlets_[static_cast<std::size_t>(outlet - 1)];
}

void SimulatedUnit::SetStartupSeconds(std::int32_t seconds) {
    std::lock_guard lock(mutex_);
    startupSeconds_ = seconds;
    startupSetAtMs_ = NowLocked();
}

std::int32_t SimulatedUnit::StartupSeconds() const {
    std::lock_guard lock(mutex_);
    return StartupSecondsLocked();
}

std::int32_t SimulatedUnit::StartupSecondsLocked() const {
    // The unit's counter is 32 bits wide and wraps as the unit's would.
    const std::int64_t seconds = startupSeconds_ + (NowLocked() - startupSetAtMs_) / 1000;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds));
}

void SimulatedUnit::SetSettingsReport(std::uint8_t id, const ReportData& data) {
    std::lock_guard lock(mutex_);
    if (p::IsSettingsReport(id)) settings_[id] = data;
}

SimulatedUnit::ReportData SimulatedUnit::SettingsReport(std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = settings_.find(id);
    return it == settings_.end() ? ReportData{} : it->second;
}

void SimulatedUnit::LoadImage(const SettingsImage& image) {
    std::lock_guard lock(mutex_);
    for (auto& [id, data] : settings_)
        std::copy_n(image.bytes.begin() + *p::ImageOffset(id), data.size(), data.begin());
    modelCode_ = image.bytes[p::ModelCodeByte()];
}

SettingsImage SimulatedUnit::HeldImage() const {
    std::lock_guard lock(mutex_);
    SettingsImage image;
    for (const auto& [id, data] : settings_)
        std::copy(data.begin(), data.end(), image.bytes.begin() + *p::ImageOffset(id));
    image.bytes[p::ModelCodeByte()] = modelCode_;
    return image;
}

bool SimulatedUnit::DisplayUpdateMode() const {
    std::lock_guard lock(mutex_);
    return displayUpdateMode_;
}

int SimulatedUnit::LastBatteryTestCommand() const {
    std::lock_guard lock(mutex_);
    return lastBatteryTest_;
}

void SimulatedUnit::SetBatteryTestRunning(bool running) {
    std::lock_guard lock(mutex_);
    batteryTestStartMs_ = running ? std::optional(NowLocked()) : std::nullopt;
}

bool SimulatedUnit::BatteryTestRunning() const {
    std::lock_guard lock(mutex_);
    return BatteryTestRunningLocked();
}

bool SimulatedUnit::BatteryTestRunningLocked() const {
    return batteryTestStartMs_ && NowLocked() - *batteryTestStartMs_ < kBatteryTestMs;
}

void SimulatedUnit::SetRefusedReport(std::optional<std::uint8_t> id) {
    std::lock_guard lock(mutex_);
    refusedReport_ = id;
}

std::optional<std::uint8_t> SimulatedUnit::RefusedReport() const {
    std::lock_guard lock(mutex_);
    return refusedReport_;
}

void SimulatedUnit::SetStoreFilter(StoreFilter filter) {
    std::lock_guard lock(mutex_);
    storeFilter_ = std::move(filter);
}

bool SimulatedUnit::Answer(std::uint8_t id, ReportData& data) const {
    std::lock_guard lock(mutex_);
    switch (id) {
        case p::kIdentification:
            data = {modelCode_, versions_[0], versions_[1], versions_[2]};
            return true;
        case p::kStatus:
            data = {static_cast<std::uint8_t>((outlets_[0] ? p::status::kOutlet1On : 0) |
                                              (outlets_[1] ? p::status::kOutlet2On : 0) |
                                              (online_ ? p::status::kUpsOn : 0)),
                    0, 0, 0};
            return true;
        case p::kStartupTime:
            data = p::PackStartupTime(StartupSecondsLocked());
            return true;
        default: {
            const auto it = settings_.find(id);
            if (it == settings_.end()) return false;  // a report the unit does not have
            data = it->second;
            return true;
        }
    }
}

bool SimulatedUnit::Take(std::uint8_t id, ReportData data) {
    std::lock_guard lock(mutex_);
    if (refusedReport_ == id) return false;
    if (id == p::kBatteryTest) {
        lastBatteryTest_ = data[0];
        if (data[0] == p::kBatteryTestStart && !BatteryTestRunningLocked())
            batteryTestStartMs_ = NowLocked();
        if (data[0] == p::kBatteryTestTerminate) batteryTestStartMs_.reset();
        return true;
    }
    if (!p::IsSettingsReport(id)) return false;  // read-only or unknown
    if (storeFilter_) storeFilter_(id, data);
    if (id != p::kSummary) {
        settings_[id] = data;
        return true;
    }
    namespace c = p::command;
    const std::uint8_t command = data[p::CommandByte()];
    ApplyOutletCommand(outlets_[0], command & c::kOutlet1On, command & c::kOutlet1Off);
    ApplyOutletCommand(outlets_[1], command & c::kOutlet2On, command & c::kOutlet2Off);
    if (command & c::kDisplayUpdate) displayUpdateMode_ = true;
    // Having acted on the commands and taken the changed reports, the unit clears the
    // bookkeeping; the next read of 0x44 shows only the settings and the meaningless bit 6.
    data[p::CommandByte()] = static_cast<std::uint8_t>(command & c::kUnused);
    data[p::ChangedReportsByte()] = 0;
    settings_[id] = data;
    return true;
}

}  // namespace upsconfig
