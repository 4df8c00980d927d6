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

struct Item {
    std::uint8_t type;  // main, global or local; long items come as the reserved type 3
    std::uint8_t tag;
    std::uint32_t value;
    std::size_t next;  // where the next item starts
};

constexpr std::uint8_t kTypeLong = 3;

// The item at pos; nullopt for one cut short by the end of the descriptor.
std::optional<Item> ItemAt(std::span<const std::uint8_t> descriptor, std::size_t pos) {
    const std::uint8_t prefix = descriptor[pos];
    if (prefix == kLongItemPrefix) {
        // Long item: prefix, data size, tag, data. Nothing of interest inside.
        if (descriptor.size() - pos < 3) return std::nullopt;
        const std::size_t dataSize = descriptor[pos + 1];
        if (descriptor.size() - pos - 3 < dataSize) return std::nullopt;
        return Item{kTypeLong, 0, 0, pos + 3 + dataSize};
    }
    const std::size_t sizeCode = prefix & 0x03u;
    const std::size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
    if (descriptor.size() - pos - 1 < dataSize) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < dataSize; ++i)
        value |= static_cast<std::uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
    return Item{static_cast<std::uint8_t>((prefix >> 2) & 0x03u),
                static_cast<std::uint8_t>(prefix >> 4), value, pos + 1 + dataSize};
}

// A global item taken into the state; false for one no real device sends (report id 0, a pop
// without a push, nesting past the bound).
bool TakeGlobal(const Item& item, GlobalState& state, std::vector<GlobalState>& stack) {
    switch (item.tag) {
        case kTagReportSize:
            state.reportSize = item.value;
            break;
        case kTagReportCount:
            state.reportCount = item.value;
            break;
        case kTagReportId:
            if (item.value == 0 || item.value > 0xFF) return false;
            state.reportId = static_cast<std::uint8_t>(item.value);
            break;
        case kTagPush:
            if (stack.size() >= kMaxPushDepth) return false;
            stack.push_back(state);
            break;
        case kTagPop:
            if (stack.empty()) return false;
            state = stack.back();
            stack.pop_back();
            break;
        default:
            break;
    }
    return true;
}

}  // namespace

std::optional<std::size_t> FeatureReportLengthFromDescriptor(
    std::span<const std::uint8_t> descriptor) {
    GlobalState state;
    std::vector<GlobalState> stack;
    std::map<std::uint8_t, std::uint64_t> featureBits;  // per report id

    for (std::size_t pos = 0; pos < descriptor.size();) {
        const std::optional<Item> item = ItemAt(descriptor, pos);
        if (!item) return std::nullopt;
        pos = item->next;
        if (item->type == kTypeGlobal && !TakeGlobal(*item, state, stack)) return std::nullopt;
        if (item->type == kTypeMain && item->tag == kTagFeature) {
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
