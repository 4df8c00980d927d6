#pragma once

#include <optional>
#include <vector>

#include "device/HidBackend.h"

struct hid_device_;

namespace upsconfig {

// The real backend over hidapi. Construct it once, on the main thread (it initialises hidapi).
// Not thread-safe by itself: HidLink calls it only under its own lock, which also covers
// hidapi's shared state behind hid_enumerate, hid_open_path and hid_error.
class HidapiBackend : public HidBackend {
  public:
    HidapiBackend();
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidInterface> Enumerate() override;
    bool Open(const std::string& path) override;
    std::optional<std::size_t> FeatureReportLength() override;
    int GetFeatureReport(std::span<std::uint8_t> buffer) override;
    bool SetFeatureReport(std::span<const std::uint8_t> buffer) override;
    void Close() override;
    bool DescriptorUnavailable() const override { return descriptorUnavailable_; }
    std::string LastError() const override { return lastError_; }
    OpenFailure LastOpenFailure() const override { return openFailure_; }

  private:
    // From hidapi where it has the call, else from the device (the libusb variant) or sysfs
    // (hidraw); why says what went wrong when nothing came.
    std::optional<std::vector<std::uint8_t>> ReadReportDescriptor(std::string& why) const;
    // Keeps the library's words for the failure just seen (the device's, or the last global
    // error when device is null), falling back to the errno text; returns the errno it saw.
    int NoteFailure(hid_device_* device);

    hid_device_* device_ = nullptr;
    std::string path_;
    std::string lastError_;
    OpenFailure openFailure_;
    bool initialised_ = false;
    bool descriptorUnavailable_ = false;
    // What Open fetched, where the descriptor can only be had before hidapi holds the device.
    std::optional<std::vector<std::uint8_t>> descriptor_;
    OpenFailure descriptorFailure_;
};

}  // namespace upsconfig
