#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "device/HidBackend.h"
#include "device/Protocol.h"

namespace upsconfig {

#if !defined(UPSCONFIG_VENDOR_ID) || !defined(UPSCONFIG_PRODUCT_ID)
#error "UPSCONFIG_VENDOR_ID and UPSCONFIG_PRODUCT_ID come from the build configuration (CMake)"
#endif
static_assert(UPSCONFIG_VENDOR_ID >= 0 && UPSCONFIG_VENDOR_ID <= 0xFFFF &&
                  UPSCONFIG_PRODUCT_ID >= 0 && UPSCONFIG_PRODUCT_ID <= 0xFFFF,
              "UPSCONFIG_VENDOR_ID and UPSCONFIG_PRODUCT_ID must be 16-bit USB ids");

// The ids of the units this tool configures, from the build configuration (CMake cache
// variables UPSCONFIG_VENDOR_ID and UPSCONFIG_PRODUCT_ID); the udev rule is made from the same.
inline constexpr std::uint16_t kUpsVendorId = UPSCONFIG_VENDOR_ID;
inline constexpr std::uint16_t kUpsProductId = UPSCONFIG_PRODUCT_ID;

// The one connection to the unit: one open device, one report buffer, one connected flag.
// Every public transfer is one whole attempt (fill the buffer, transfer, test the flag, copy
// the data out) under the link's mutex, so two threads can never interleave an exchange.
// Retries and pauses belong to the callers and happen outside the lock.
class HidLink {
  public:
    static constexpr std::size_t kBufferSize = 256;
    // Report id and the four data bytes every report of the unit carries: a shorter transfer
    // cannot hold a report, so a unit declaring less does not match and a shorter reply is no
    // answer.
    static constexpr std::size_t kMinimumTransfer = 1 + protocol::kDataBytes;

    // Whether a device of this feature length can carry the unit's reports through the buffer:
    // a length unknown, too short for a report or past the buffer counts as not matching.
    static bool FeatureLengthFits(std::optional<std::size_t> length);

    explicit HidLink(HidBackend& backend);
    virtual ~HidLink() = default;
    HidLink(const HidLink&) = delete;
    HidLink& operator=(const HidLink&) = delete;

    void SetIds(std::uint16_t vendorId, std::uint16_t productId);

    // True while a matching unit is open and the last transfer worked.
    bool Connected() const { return connected_.load(); }

    // One read attempt of report id. A reply shorter than report id and four data bytes is a
    // failed transfer. On success fills data with data bytes 0.. (as many as data holds); bytes
    // the unit did not send in this reply are zero. On failure leaves data alone.
    bool ReadReport(std::uint8_t id, std::span<std::uint8_t> data);
    // One write attempt: id into byte 0, data into bytes 1..; the rest of the transfer is zero.
    bool WriteReport(std::uint8_t id, std::span<const std::uint8_t> data);

    // The feature length of the unit last opened (kept after a failure); 0 before any.
    std::size_t FeatureLength() const;
    // The interface of the unit last opened, as listed (kept after a failure): its serial tells
    // units of one model apart.
    HidInterface OpenedInterface() const;
    // Why the last transfer or connection failed (the backend's words); empty when the last
    // one worked or nothing is known.
    std::string LastFailure() const;

  private:
    bool ConnectLocked();
    bool EnsureConnectedLocked();
    void FailLocked(std::string reason);

    HidBackend& backend_;
    mutable std::mutex mutex_;
    std::array<std::uint8_t, kBufferSize> buffer_{};
    std::size_t featureLength_ = 0;
    HidInterface opened_;
    std::atomic<bool> connected_{false};
    std::string lastFailure_;
    std::uint16_t vendorId_ = 0;
    std::uint16_t productId_ = 0;
};

}  // namespace upsconfig
