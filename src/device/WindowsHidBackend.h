#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/HidBackend.h"

namespace upsconfig {

// The backend on Windows, on the system's own HID calls: the device-setup interface lists the
// present HID interfaces, the HID class driver gives their ids, serial and feature-report length
// and carries the feature reports. Not thread-safe by itself: HidLink calls it under its lock.
class WindowsHidBackend : public HidBackend {
  public:
    WindowsHidBackend() = default;
    ~WindowsHidBackend() override;
    WindowsHidBackend(const WindowsHidBackend&) = delete;
    WindowsHidBackend& operator=(const WindowsHidBackend&) = delete;

    std::vector<HidInterface> Enumerate() override;
    bool Open(const std::string& path) override;
    std::optional<std::size_t> FeatureReportLength() override;
    int GetFeatureReport(std::span<std::uint8_t> buffer) override;
    bool SetFeatureReport(std::span<const std::uint8_t> buffer) override;
    void Close() override;
    std::string LastError() const override { return lastError_; }
    OpenFailure LastOpenFailure() const override { return openFailure_; }

    // What GetFeatureReport makes of a reply of `returned` bytes to a read of report id: the
    // count of the unit's bytes, or -1 with the reason in `why` when the reply carries another
    // report id (a unit that leaves the id out sends its data bytes one place early).
    static int CheckFeatureReply(std::uint8_t id, std::span<const std::uint8_t> reply,
                                 unsigned long returned, std::string& why);

    // The ids an interface path spells ("...#vid_1209&pid_0000#..."), for a device that cannot
    // be opened to ask: HidLink then tries it and keeps the reason it fails. Leaves entry alone
    // when the path does not spell both.
    static void IdsFromPath(std::string_view path, HidInterface& entry);

  private:
    void* device_ = nullptr;  // the open device's HANDLE
    std::string lastError_;
    OpenFailure openFailure_;
};

}  // namespace upsconfig
