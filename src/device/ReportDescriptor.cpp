#include "device/ReportDescriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace upsconfig {
namespace {

// Item tags (upper nibble of the prefix) of the items that matter here.
constexpr std::uint8_t kTypeMain = 0;
constexpr std::uint8_t kTypeGlobal = 1;
constexpr std::uint8_t kTagFeature = 0xB;
constexpr std::uint8_t kTagReportSize = 0x7;
constexpr std::uint8_t kTagReportId = 0x8;
constexpr std::uint8_t kTagReportCount = 0x9;
constexpr std::uint8_t kTagPush = 0xA;
constexpr std::uint8_t kTagPop = 0xB;
constexpr std::uint8_t kLongItemPrefix = 0xFE;
// Deeper nesting than this is no real device; refuse rather than grow without bound.
constexpr std::size_t kMaxPushDepth = 64;

struct GlobalState {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

}  // namespace

std::optional<std::size_t> FeatureReportLengthFromDescriptor(
    std::span<const std::uint8_t> descriptor) {
    GlobalState state;
    std::vector<GlobalState> stack;
    std::map<std::uint8_t, std::uint64_t> featureBits;  // per report id

    std::size_t pos = 0;
    while (pos < descriptor.size()) {
        const std::uint8_t prefix = descriptor[pos];
        if (prefix == kLongItemPrefix) {
            // Long item: prefix, data size, tag, data. Nothing of interest inside.
            if (descriptor.size() - pos < 3) return std::nullopt;
            const std::size_t dataSize = descriptor[pos + 1];
            if (descriptor.size() - pos - 3 < dataSize) return std::nullopt;
            pos += 3 + dataSize;
            continue;
        }
        const std::size_t sizeCode = prefix & 0x03u;
        const std::size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
        const std::uint8_t type = (prefix >> 2) & 0x03u;
        const std::uint8_t tag = prefix >> 4;
        if (descriptor.size() - pos - 1 < dataSize) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < dataSize; ++i) {
            value |= static_cast<std::uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
        }
        pos += 1 + dataSize;

        if (type == kTypeGlobal) {
            switch (tag) {
                case kTagReportSize:
                    state.reportSize = value;
                    break;
                case kTagReportCount:
                    state.reportCount = value;
                    break;
                case kTagReportId:
                    if (value == 0 || value > 0xFF) return std::nullopt;
                    state.reportId = static_cast<std::uint8_t>(value);
                    break;
                case kTagPush:
                    if (stack.size() >= kMaxPushDepth) return std::nullopt;
                    stack.push_back(state);
                    break;
                case kTagPop:
                    if (stack.empty()) return std::nullopt;
                    state = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
        } else if (type == kTypeMain && tag == kTagFeature) {
            // Refused as soon as a report passes the limit, before further items could make
            // the sum wrap: size times count fits 64 bits, and so does the limit plus one more.
            std::uint64_t& bits = featureBits[state.reportId];
            bits += static_cast<std::uint64_t>(state.reportSize) * state.reportCount;
            if (bits > kMaxReportDataBytes * 8) return std::nullopt;
        }
    }

    if (featureBits.empty()) return std::nullopt;
    std::uint64_t largestBits = 0;
    for (const auto& [id, bits] : featureBits)
        largestBits = std::max(largestBits, bits);
    return static_cast<std::size_t>((largestBits + 7) / 8 + 1);
}

}  // namespace upsconfig
