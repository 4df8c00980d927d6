#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace upsconfig {

// The length of every feature transfer of a device, from its HID report descriptor: the data
// bytes of its largest Feature report plus one byte for the report id. nullopt when the
// descriptor declares no Feature report, declares one of more than kMaxReportDataBytes data
// bytes, or is malformed.
inline constexpr std::size_t kMaxReportDataBytes = 256;
std::optional<std::size_t> FeatureReportLengthFromDescriptor(
    std::span<const std::uint8_t> descriptor);

}  // namespace upsconfig
