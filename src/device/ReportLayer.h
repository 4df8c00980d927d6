#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/HidLink.h"
#include "device/Pauser.h"
#include "device/Protocol.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// Flags shared by the user-interface thread and the monitor thread.
struct UpsFlags {
    std::atomic<int> upsOn{0}, outlet1On{0}, outlet2On{0}, testInfo{0}, keepPolling{0};

    // Clears keep-polling and wakes a WaitWhilePolling at once: how the monitor is stopped.
    void StopPolling();
    // Waits the time, or less when keep-polling is cleared meanwhile (it may be clear already);
    // true while it is set.
    bool WaitWhilePolling(std::chrono::milliseconds time);

  private:
    std::mutex mutex_;
    std::condition_variable stopped_;
};

// What the main window does with a successful read; the report layer needs no window.
class ReportListener {
  public:
    virtual ~ReportListener() = default;
    virtual void ShowVersions(int /*hardware*/, int /*powerFirmware*/, int /*monitorFirmware*/) {}
    // After every successful identity or settings read.
    virtual void ShareImage(const SettingsImage& /*image*/) {}
    // From ReadStatus; may run on the monitor thread.
    virtual void ShowTimeSinceStartup(std::int32_t /*seconds*/) {}
};

// What a pass of the report writer achieved.
struct WriteOutcome {
    bool allWritten = true;  // no report was given up
    // Image bytes of the reports that went through (four per report).
    std::bitset<SettingsImage::kSize> writtenBytes;
};

// The reports of the unit: reads into the settings image and the flags, the report writer
// and the single commands. Outcomes are the link's connected flag, as everywhere.
class ReportLayer {
  public:
    using ReportData = protocol::ReportData;

    static constexpr int kReadAttempts = 3;
    static constexpr int kWriteAttempts = 30;
    static constexpr int kRetryPauseMs = 200;

    ReportLayer(HidLink& link, Pauser pauser);

    void SetListener(ReportListener* listener);
    SettingsImage& Image();  // as last read; starts zero-filled
    const SettingsImage& Image() const;
    UpsFlags& Flags();
    bool Connected() const;
    // Why the last transfer failed, as the link tells it.
    std::string LastFailure() const;
    const HidLink& Link() const { return link_; }

    // Each true when every report of the pass was read.
    bool ReadAllReports();
    bool ReadIdentity();
    bool ReadSettings();
    // True once the identification and every settings report have been read at least once:
    // from then on no byte of the image is a start value instead of the unit's.
    bool ImageFromUnit() const;
    void ReadStatus();
    // Writes every settings report that differs, then the summary report, whose bookkeeping
    // names only the reports that went through. A report given up does not stop the pass.
    WriteOutcome WriteReports(const SettingsImage& newImage, const SettingsImage& oldImage);
    // The reports WriteReports sends for these images when every one of them goes through,
    // in order.
    static std::vector<std::uint8_t> ReportsToWrite(const SettingsImage& newImage,
                                                    const SettingsImage& oldImage);
    // Writes one report with up to 30 attempts, each followed by 200 ms. The given data bytes
    // are sent; the rest of the transfer is zero. False when all attempts failed.
    bool SendReport(std::uint8_t id, std::span<const std::uint8_t> data);

    // The single commands; each true when the unit took the report that carries it (an outlet
    // the unit does not have: false, nothing sent).
    bool TurnOutletOn(int outlet);
    bool TurnOutletOff(int outlet);
    bool RebootOutlet(int outlet);
    bool StartBatteryTest();
    bool TerminateBatteryTest();
    bool RequestBootloader();

    // The destination takes every byte of the source except its own model code.
    static void AdoptImage(const SettingsImage& source, SettingsImage& destination);

  private:
    bool ReadWithRetries(std::uint8_t id, std::span<std::uint8_t> data, bool gateOnKeepPolling);
    void ShareImage();
    bool SendCommand(std::uint8_t bits);
    static std::uint8_t OutletBits(int outlet, std::uint8_t outlet1Bits, std::uint8_t outlet2Bits);

    HidLink& link_;
    Pauser pauser_;
    ReportListener* listener_ = nullptr;
    SettingsImage image_{};
    // The identification, then the settings reports in read order.
    std::bitset<1 + protocol::kSettingsReports.size()> everRead_;
    UpsFlags flags_;
};

}  // namespace upsconfig
