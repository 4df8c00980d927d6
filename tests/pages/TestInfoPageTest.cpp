#include "pages/TestInfoPage.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "device/HidLink.h"
#include "resources/Ids.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/QtPrinters.h"

namespace upsconfig {
namespace {

namespace id = ids::testinfo;

class TestInfoPageTest : public testing::Test {
  protected:
    void SetUp() override { link.SetIds(kUpsVendorId, kUpsProductId); }
    QString Text(int id) { return page.Control<QLineEdit>(id)->text(); }

    SimulatedUps ups;
    HidLink link{ups};
    support::FakePauser pauser;
    ReportLayer layer{link, pauser.AsPauser()};
    TestInfoPage page{layer};
};

TEST_F(TestInfoPageTest, VersionsCarryTheirLetters) {
    for (int id : {id::kHardware, id::kPowerFirmware, id::kMonitorFirmware, id::kTimeSinceStartup})
        EXPECT_TRUE(Text(id).isEmpty()) << id;
    page.ShowVersions(1, 12, 3);
    EXPECT_EQ(Text(id::kHardware), "H1");
    EXPECT_EQ(Text(id::kPowerFirmware), "U12");
    EXPECT_EQ(Text(id::kMonitorFirmware), "D3");
    page.ShowVersions(0, 255, 0);
    EXPECT_EQ(Text(id::kPowerFirmware), "U255");
    EXPECT_EQ(Text(id::kMonitorFirmware), "D0");
}

TEST_F(TestInfoPageTest, TimeSinceStartupText) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {0, "0 Days 0 hours 0 mitutes 0 seconds "},
        {86399, "0 Days 23 hours 59 mitutes 59 seconds "},
        {86400 + 2 * 3600 + 3 * 60 + 4, "1 Days 2 hours 3 mitutes 4 seconds "},
        // Truncating division: every part takes the sign of the count.
        {-90061, "-1 Days -1 hours -1 mitutes -1 seconds "},
        {std::numeric_limits<std::int32_t>::min(), "-24855 Days -3 hours -14 mitutes -8 seconds "},
    };
    for (auto [seconds, text] : rows) {
        page.ShowTimeSinceStartup(seconds);
        EXPECT_EQ(Text(id::kTimeSinceStartup), text) << seconds;
    }
}

TEST_F(TestInfoPageTest, StartAndTerminateSendTheBatteryTestReport) {
    page.DisableAllControls();  // the buttons stay usable
    page.Control<QPushButton>(id::kStartTest)->click();
    EXPECT_EQ(ups.LastWrite(0x08), (SimulatedUps::ReportData{1, 0, 0, 0}));
    page.Control<QPushButton>(id::kTerminateTest)->click();
    EXPECT_EQ(ups.WrittenIds(), (std::vector<std::uint8_t>{0x08, 0x08}));
    EXPECT_EQ(ups.LastWrite(0x08)->at(0), 3);
    EXPECT_EQ(ups.Unit().LastBatteryTestCommand(), 3);
}

}  // namespace
}  // namespace upsconfig
