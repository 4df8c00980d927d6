// The feature length from any descriptor equals a plain reference: the same items summed per
// report without any bound in 128 bits, judged only at the end.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "device/ReportDescriptor.h"

namespace {

std::optional<std::size_t> Reference(std::span<const std::uint8_t> d) {
    struct State {
        unsigned __int128 size = 0, count = 0;
        unsigned id = 0;
    } state;
    std::vector<State> stack;
    std::map<unsigned, unsigned __int128> bits;
    std::size_t pos = 0;
    while (pos < d.size()) {
        if (d[pos] == 0xFE) {  // long item
            if (pos + 3 > d.size() || pos + 3 + d[pos + 1] > d.size()) return std::nullopt;
            pos += 3 + d[pos + 1];
            continue;
        }
        const unsigned prefix = d[pos];
        const std::size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + length > d.size()) return std::nullopt;
        unsigned __int128 value = 0;
        for (std::size_t i = 0; i < length; ++i)
            value |= static_cast<unsigned __int128>(d[pos + 1 + i]) << (8 * i);
        pos += 1 + length;
        const unsigned type = (prefix >> 2) & 3, tag = prefix >> 4;
        if (type == 1 && tag == 0x7) state.size = value;
        if (type == 1 && tag == 0x9) state.count = value;
        if (type == 1 && tag == 0x8) {
            if (value == 0 || value > 255) return std::nullopt;
            state.id = static_cast<unsigned>(value);
        }
        if (type == 1 && tag == 0xA) {
            if (stack.size() >= 64) return std::nullopt;
            stack.push_back(state);
        }
        if (type == 1 && tag == 0xB) {
            if (stack.empty()) return std::nullopt;
            state = stack.back();
            stack.pop_back();
        }
        if (type == 0 && tag == 0xB) bits[state.id] += state.size * state.count;
    }
    if (bits.empty()) return std::nullopt;
    unsigned __int128 largest = 0;
    for (const auto& [id, sum] : bits)
        largest = sum > largest ? sum : largest;
    if (largest > 256 * 8) return std::nullopt;
    return static_cast<std::size_t>((largest + 7) / 8 + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> descriptor(data, size);
    if (upsconfig::FeatureReportLengthFromDescriptor(descriptor) != Reference(descriptor))
        std::abort();
    return 0;
}
