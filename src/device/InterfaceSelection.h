#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/HidBackend.h"
#include "device/HidLink.h"
#include "device/Pauser.h"

namespace upsconfig {

// Whether --device names the interface by its path or serial; an empty one names every one.
bool NamesInterface(const std::string& device, const HidInterface& interface);

// The interfaces with the unit's ids that --device names by path or serial (every one with the
// ids when device is empty), in the system's order.
std::vector<HidInterface> SelectInterfaces(const std::vector<HidInterface>& interfaces,
                                           const std::string& device,
                                           std::uint16_t vendorId = kUpsVendorId,
                                           std::uint16_t productId = kUpsProductId);

// The model code one interface reports, read through a link that sees it alone (the backend
// ends closed); nullopt when its identification cannot be read, with the link's reason in why.
std::optional<int> ReadModelCode(HidBackend& backend, const HidInterface& interface,
                                 const Pauser& pauser, std::string* why = nullptr,
                                 std::uint16_t vendorId = kUpsVendorId,
                                 std::uint16_t productId = kUpsProductId);

// Another backend that lists only the interfaces --device names, so that a HidLink on it opens
// that unit and no other (several units on one machine).
class SelectedBackend : public HidBackend {
  public:
    SelectedBackend(HidBackend& backend, std::string device);

    // The path or serial it lets through; empty for every one. Changed only while nothing is
    // open.
    const std::string& Device() const { return device_; }
    void SetDevice(std::string device) { device_ = std::move(device); }
    // The backend below, which lists every interface.
    HidBackend& Unfiltered() { return backend_; }

    std::vector<HidInterface> Enumerate() override;
    bool Open(const std::string& path) override;
    std::optional<std::size_t> FeatureReportLength() override;
    bool DescriptorUnavailable() const override;
    int GetFeatureReport(std::span<std::uint8_t> buffer) override;
    bool SetFeatureReport(std::span<const std::uint8_t> buffer) override;
    void Close() override;
    std::string LastError() const override;
    OpenFailure LastOpenFailure() const override;

  private:
    HidBackend& backend_;
    std::string device_;
};

}  // namespace upsconfig
