#include <gtest/gtest.h>

#include "device/HidLink.h"
#include "device/SimulatedUps.h"

namespace upsconfig {
namespace {

using Data = std::array<std::uint8_t, 4>;

// The unit's own behaviour, which every later test relies on.
class SimulatedUpsTest : public ::testing::Test {
  protected:
    void SetUp() override { link.SetIds(kUpsVendorId, kUpsProductId); }

    Data Read(std::uint8_t id) {
        Data data{};
        EXPECT_TRUE(link.ReadReport(id, data)) << "report " << int{id};
        return data;
    }
    bool Write(std::uint8_t id, const Data& data) { return link.WriteReport(id, data); }

    SimulatedUps ups;
    HidLink link{ups};
};

TEST_F(SimulatedUpsTest, AnswersIdentityStatusAndStartupTime) {
    ups.SetModelCode(33);
    ups.SetVersions(2, 3, 4);
    ups.SetOnline(false);
    ups.SetOutlet(1, true);
    ups.SetOutlet(2, false);
    ups.SetStartupSeconds(0x01020304);
    EXPECT_EQ(Read(0x01), (Data{33, 2, 3, 4}));
    EXPECT_EQ(Read(0x33), (Data{0x01, 0, 0, 0}));
    EXPECT_EQ(Read(0x09), (Data{0x04, 0x03, 0x02, 0x01}));

    Data data{};
    EXPECT_FALSE(link.ReadReport(0x08, data));  // write-only
    EXPECT_FALSE(link.ReadReport(0x45, data));  // no such report
    EXPECT_FALSE(Write(0x01, {1, 2, 3, 4}));    // read-only
    EXPECT_EQ(Read(0x01)[0], 33);
}

TEST_F(SimulatedUpsTest, TakesSettingsAndCarriesOutSummaryCommands) {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(i);
    image.bytes[9] = 0;
    ups.LoadImage(image);
    EXPECT_EQ(ups.HeldImage(), image);
    EXPECT_EQ(Read(0x3E), (Data{18, 19, 20, 21}));

    ASSERT_TRUE(Write(0x3E, {9, 8, 7, 6}));
    EXPECT_EQ(ups.SettingsReport(0x3E), (Data{9, 8, 7, 6}));

    ups.SetOutlet(1, true);
    ups.SetOutlet(2, true);
    ASSERT_TRUE(Write(0x44, {0x11, 0x22, 0x08 | 0x30 | 0x40 | 0x03, 0xFF}));
    EXPECT_FALSE(ups.OutletOn(1));  // turned off
    EXPECT_TRUE(ups.OutletOn(2));   // rebooted: back on
    EXPECT_FALSE(ups.DisplayUpdateMode());
    // Acted on: the command and bookkeeping bits are gone, bit 6 and the settings stay.
    EXPECT_EQ(Read(0x44), (Data{0x11, 0x22, 0x40, 0x00}));
    EXPECT_EQ(Read(0x33)[0] & 0x03, 0x02);

    ASSERT_TRUE(Write(0x44, {0x11, 0x22, 0x80 | 0x04, 0}));
    EXPECT_TRUE(ups.DisplayUpdateMode());
    EXPECT_TRUE(ups.OutletOn(1));
}

TEST_F(SimulatedUpsTest, ADeviceOpenedBeforeAnUnplugStaysDead) {
    Read(0x01);
    ups.Unplug();
    ups.Replug();
    EXPECT_EQ(ups.OpenPath(), SimulatedUps::kDefaultPath);
    Data data{};
    EXPECT_FALSE(link.ReadReport(0x01, data));  // the old handle fails once...
    EXPECT_TRUE(link.ReadReport(0x01, data));   // ...and the link opens it again
    EXPECT_EQ(ups.OpenCount(), 2);
    const auto log = ups.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_FALSE(log[1].ok);
}

}  // namespace
}  // namespace upsconfig
