#include <gtest/gtest.h>

#include <vector>

#include "device/ReportDescriptor.h"
#include "sim/SimulatedUps.h"

namespace upsconfig {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<std::size_t> Length(const Bytes& d) { return FeatureReportLengthFromDescriptor(d); }

TEST(ReportDescriptorTest, LargestFeatureReportPlusIdByte) {
    EXPECT_EQ(Length(SimulatedUnit::ReportDescriptor()), 5u);

    // Report 1: 4 bytes; report 2: two Feature items of 3 x 16 bits and 1 x 4 bits -> 7 bytes
    // (bits round up); input and output reports do not count.
    const Bytes d{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  //
                  0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0xB1, 0x02, 0x85, 0x02, 0x75,
                  0x10, 0x95, 0x03, 0xB1, 0x02, 0x75, 0x04, 0x95, 0x01, 0xB1,
                  0x03,                                                        //
                  0x85, 0x03, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x91, 0x02,  //
                  0xC0};
    EXPECT_EQ(Length(d), 8u);

    // Without Report ID items the one report still gets its id byte.
    EXPECT_EQ(Length({0x75, 0x08, 0x95, 0x06, 0xB1, 0x02}), 7u);
    // Four-byte item data (Report Count 0x00000100 = 256 bytes).
    EXPECT_EQ(Length({0x75, 0x08, 0x97, 0x00, 0x01, 0x00, 0x00, 0xB1, 0x02}), 257u);
}

TEST(ReportDescriptorTest, PushPopRestoreSizeCountAndId) {
    const Bytes d{0x85, 0x01, 0x75, 0x08, 0x95, 0x02,  // id 1, 2 bytes
                  0xA4,                                // Push
                  0x85, 0x02, 0x95, 0x0A, 0xB1, 0x02,  // id 2: 10 bytes
                  0xB4,                                // Pop: back to id 1, 2 x 8 bits
                  0xB1, 0x02, 0xB1, 0x02};             // id 1: 4 bytes
    EXPECT_EQ(Length(d), 11u);

    const Bytes afterPop{
        0x85, 0x01, 0x75, 0x08, 0x95, 0x0C, 0xA4,
        0x85, 0x02, 0x95, 0x01, 0xB4, 0xB1, 0x02};  // the 12-byte count applies again after Pop
    EXPECT_EQ(Length(afterPop), 13u);
}

TEST(ReportDescriptorTest, LongItemsAreSkipped) {
    // A long item whose data would read as a huge Feature report if parsed as short items.
    const Bytes d{0x75, 0x08, 0x95, 0x02, 0xFE, 0x04, 0x10, 0x95, 0xFF, 0xB1, 0x02, 0xB1, 0x02};
    EXPECT_EQ(Length(d), 3u);
}

TEST(ReportDescriptorTest, UnknownWhenNothingOrMalformed) {
    const std::vector<Bytes> refused{
        {},                                                // nothing read
        {0x75, 0x08, 0x95, 0x04, 0x81, 0x02},              // input report only
        {0x75, 0x08, 0x95},                                // item data cut off
        {0x75, 0x08, 0x97, 0x04, 0x00},                    // four-byte item cut off
        {0xFE, 0x10, 0x01, 0x00},                          // long item longer than what is left
        {0xFE, 0x01},                                      // long item header cut off
        {0xB4, 0x75, 0x08, 0x95, 0x01, 0xB1, 0x02},        // Pop without Push
        {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0xB1, 0x02},  // report id 0 is reserved
    };
    for (const Bytes& d : refused) {
        EXPECT_EQ(Length(d), std::nullopt) << "descriptor of " << d.size() << " bytes";
    }
    // A report past 256 data bytes is refused, also when further items would wrap the sum:
    // (2^32 - 1)^2 bits, then 2^31 x 4 more, is 2^64 + 1 bits, which 64 bits hold as 1.
    const Bytes wrapping{0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0xB1,
                         0x02, 0x77, 0x00, 0x00, 0x00, 0x80, 0x95, 0x04, 0xB1, 0x02};
    EXPECT_EQ(Length(wrapping), std::nullopt);
    EXPECT_EQ(Length({0x75, 0x08, 0x96, 0x01, 0x01, 0xB1, 0x02}), std::nullopt);  // 257 bytes
    // Unbounded Push nesting is refused instead of growing.
    EXPECT_EQ(Length(Bytes(10000, 0xA4)), std::nullopt);
}

}  // namespace
}  // namespace upsconfig
