#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
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

    SimulatedUnit();

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

    // Runs on every settings report the unit is about to keep, and may change what it keeps:
    // a unit that clamps or ignores a value.
    using StoreFilter = std::function<void(std::uint8_t id, ReportData& data)>;
    void SetStoreFilter(StoreFilter filter);

    // A read of report id: false for a report the unit does not have.
    bool Answer(std::uint8_t id, ReportData& data) const;
    // A write of report id: false for a report the unit does not take (read-only or unknown).
    bool Take(std::uint8_t id, ReportData data);

  private:
    mutable std::mutex mutex_;
    std::map<std::uint8_t, ReportData> settings_;
    std::uint8_t modelCode_ = 1;
    std::array<std::uint8_t, 3> versions_{1, 1, 1};
    bool online_ = true;
    std::array<bool, 2> outlets_{true, true};
    std::int32_t startupSeconds_ = 0;
    bool displayUpdateMode_ = false;
    int lastBatteryTest_ = 0;
    StoreFilter storeFilter_;
};

}  // namespace upsconfig
