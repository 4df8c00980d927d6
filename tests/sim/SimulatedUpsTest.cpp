#include <gtest/gtest.h>

#include "device/HidLink.h"
#include "sim/SimulatedUps.h"

namespace upsconfig {
namespace {

using Data = std::array<std::uint8_t, 4>;

// The unit's own behaviour, which every later test relies on.
class SimulatedUpsTest : public testing::Test {
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
    ups.Unit().SetModelCode(33);
    ups.Unit().SetVersions(2, 3, 4);
    ups.Unit().SetOnline(false);
    ups.Unit().SetOutlet(1, true);
    ups.Unit().SetOutlet(2, false);
    ups.Unit().SetStartupSeconds(0x01020304);
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
    ups.Unit().LoadImage(image);
    EXPECT_EQ(ups.Unit().HeldImage(), image);
    // Where each report's data sits in the image, from the unit's side of the wire.
    const std::pair<std::uint8_t, std::uint8_t> reports[] = {
        {0x32, 0},  {0x3C, 10}, {0x3D, 14}, {0x3E, 18}, {0x3F, 22},
        {0x40, 26}, {0x41, 30}, {0x42, 34}, {0x43, 38}, {0x44, 4}};
    for (const auto& [id, at] : reports) {
        const std::uint8_t b = at;
        EXPECT_EQ(Read(id),
                  (Data{b, std::uint8_t(b + 1), std::uint8_t(b + 2), std::uint8_t(b + 3)}))
            << "report " << int{id};
    }

    ASSERT_TRUE(Write(0x3E, {9, 8, 7, 6}));
    EXPECT_EQ(ups.Unit().SettingsReport(0x3E), (Data{9, 8, 7, 6}));

    ups.Unit().SetOutlet(1, true);
    ups.Unit().SetOutlet(2, true);
    ASSERT_TRUE(Write(0x44, {0x11, 0x22, 0x08 | 0x30 | 0x40 | 0x03, 0xFF}));
    EXPECT_FALSE(ups.Unit().OutletOn(1));  // turned off
    EXPECT_TRUE(ups.Unit().OutletOn(2));   // rebooted: back on
    EXPECT_FALSE(ups.Unit().DisplayUpdateMode());
    // Acted on: the command and bookkeeping bits are gone, bit 6 and the settings stay.
    EXPECT_EQ(Read(0x44), (Data{0x11, 0x22, 0x40, 0x00}));
    EXPECT_EQ(Read(0x33)[0] & 0x03, 0x02);

    ASSERT_TRUE(Write(0x44, {0x11, 0x22, 0x80 | 0x04, 0}));
    EXPECT_TRUE(ups.Unit().DisplayUpdateMode());
    EXPECT_TRUE(ups.Unit().OutletOn(1));
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

// The unit's clock moves the start-up time on and ends a battery test after 10 s; a listener
// hears every transfer and may call back into the bus.
TEST_F(SimulatedUpsTest, ItsClockAdvancesTheStartupTimeAndEndsTheBatteryTest) {
    SimulatedUnit& unit = ups.Unit();
    std::int64_t now = 5000;
    unit.SetStartupSeconds(100);
    unit.SetClock([&] { return now; });  // the start-up time carries over
    now += 2500;
    EXPECT_EQ(Read(0x09), (Data{102, 0, 0, 0}));

    std::vector<std::uint8_t> heard;
    ups.SetTransferListener([&](const SimulatedUps::Transfer& transfer) {
        heard.push_back(transfer.id);
        EXPECT_FALSE(ups.Log().empty());
    });
    ASSERT_TRUE(Write(0x08, {1, 0, 0, 0}));
    now += SimulatedUnit::kBatteryTestMs - 1;
    EXPECT_TRUE(unit.BatteryTestRunning());
    now += 1;
    EXPECT_FALSE(unit.BatteryTestRunning());
    ASSERT_TRUE(Write(0x08, {1, 0, 0, 0}));
    ASSERT_TRUE(Write(0x08, {3, 0, 0, 0}));
    EXPECT_FALSE(unit.BatteryTestRunning());
    EXPECT_EQ(heard, (std::vector<std::uint8_t>{0x08, 0x08, 0x08}));
}

}  // namespace
}  // namespace upsconfig
