#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "device/Protocol.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// What a unit of the family holds and does, without the way to it: it answers the
// identification, status, start-up-time and settings reports, applies written settings and
// carries out the commands of the summary report and the battery-test report. SimulatedUps puts
// it on a bus. Thread-safe: the bus, the monitor thread and a demo's controls all reach it.
class SimulatedUnit {
  public:
    using ReportData = protocol::ReportData;

    // The unit's clock in milliseconds from any fixed point. It stands still unless one is
    // given: the demo hands in a steady clock, tests a counter they advance.
    using Clock = std::function<std::int64_t()>;
    static constexpr std::int64_t kBatteryTestMs = 10'000;  // a test ends by itself after this

    SimulatedUnit();

    void SetClock(Clock clock);

    // The report descriptor the unit declares: 4 data bytes for each of its reports.
    static std::vector<std::uint8_t> ReportDescriptor();

    void SetModelCode(std::uint8_t code);
    std::uint8_t ModelCode() const;
    void SetVersions(std::uint8_t hardware, std::uint8_t powerFirmware,
                     std::uint8_t monitorFirmware);
    std::array<std::uint8_t, 3> Versions() const;  // hardware, power, monitor firmware
    void SetOnline(bool online);                   // output on; false = standby
    bool Online() const;
    void SetOutlet(int outlet, bool on);
    bool OutletOn(int outlet) const;
    // The time since start-up, which advances with the clock from here.
    void SetStartupSeconds(std::int32_t seconds);
    std::int32_t StartupSeconds() const;
    // Any settings report (0x32, 0x3C..0x44) as the unit holds it.
    void SetSettingsReport(std::uint8_t id, const ReportData& data);
    ReportData SettingsReport(std::uint8_t id) const;
    // All settings reports (and the model code) from or into one image.
    void LoadImage(const SettingsImage& image);
    SettingsImage HeldImage() const;
    bool DisplayUpdateMode() const;
    // 0 = none yet, else the data byte of the last battery-test report (1 start, 3 stop).
    int LastBatteryTestCommand() const;
    // Started by the start command or here; ended by the stop command, here, or the clock.
    void SetBatteryTestRunning(bool running);
    bool BatteryTestRunning() const;
    // Writes of this report fail, as from a unit that refuses them; reads still work.
    void SetRefusedReport(std::optional<std::uint8_t> id);
    std::optional<std::uint8_t> RefusedReport() const;

    // Runs on every settings report the unit is about to keep, and may change what it keeps:
    // a unit that clamps or ignores a value.
    using StoreFilter = std::function<void(std::uint8_t id, ReportData& data)>;
    void SetStoreFilter(StoreFilter filter);

    // A read of report id: false for a report the unit does not have.
    bool Answer(std::uint8_t id, ReportData& data) const;
    // A write of report id: false for a report the unit does not take (read-only or unknown).
    bool Take(std::uint8_t id, ReportData data);

  private:
    std::int64_t NowLocked() const { return clock_ ? clock_() : 0; }
    std::int32_t StartupSecondsLocked() const;
    bool BatteryTestRunningLocked() const;

    mutable std::mutex mutex_;
    Clock clock_;
    std::map<std::uint8_t, ReportData> settings_;
    std::uint8_t modelCode_ = 1;
    std::array<std::uint8_t, 3> versions_{1, 1, 1};
    bool online_ = true;
    std::array<bool, 2> outlets_{true, true};
    std::int32_t startupSeconds_ = 0;
    std::int64_t startupSetAtMs_ = 0;  // the clock when startupSeconds_ was set
    std::optional<std::int64_t> batteryTestStartMs_;
    std::optional<std::uint8_t> refusedReport_;
    bool displayUpdateMode_ = false;
    int lastBatteryTest_ = 0;
    StoreFilter storeFilter_;
};

}  // namespace upsconfig
