#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "device/HidLink.h"
#include "device/ReportLayer.h"
#include "device/ReportLayerFixture.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"

namespace upsconfig {
namespace {

// --- Reads -------------------------------------------------------------------------------------

TEST_F(ReportLayerTest, ReadAllReportsFillsImageVersionsAndSharesAfterEveryReport) {
    const SettingsImage held = DistinctImage(21);
    ups.Unit().LoadImage(held);
    ups.Unit().SetVersions(3, 4, 5);
    layer.ReadAllReports();

    EXPECT_EQ(ups.ReadIds(),
              (Ids{0x01, 0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44}));
    EXPECT_EQ(layer.Image(), held);
    EXPECT_EQ(listener.versions, (std::vector<std::array<int, 3>>{{3, 4, 5}}));
    EXPECT_EQ(layer.Flags().testInfo.load(), 1);
    ASSERT_EQ(listener.shared.size(), 11u);
    // The pages' copies follow the image report by report.
    EXPECT_EQ(listener.shared[0].bytes[8], 21);
    EXPECT_EQ(listener.shared[1].bytes[0], held.bytes[0]);
    EXPECT_EQ(listener.shared[1].bytes[10], 0);
    EXPECT_EQ(listener.shared.back(), held);
    EXPECT_TRUE(pauser.Pauses().empty());  // no pause after a successful read
}

TEST_F(ReportLayerTest, NoUnitAtAllCosts33AttemptsAnd6600Milliseconds) {
    ups.Unplug();
    layer.Image() = DistinctImage(5);
    layer.ReadAllReports();
    EXPECT_FALSE(layer.Connected());
    EXPECT_EQ(pauser.Count(), 33u);
    EXPECT_EQ(pauser.TotalMs(), 6600);
    EXPECT_EQ(pauser.Pauses(), std::vector<int>(33, 200));
    EXPECT_EQ(layer.Image(), DistinctImage(5));  // everything keeps its previous value
    EXPECT_TRUE(listener.shared.empty());
    EXPECT_TRUE(listener.versions.empty());

    // The same with the unit present but failing every transfer: 33 attempts on the wire.
    ups.Replug();
    ups.FailNextTransfers(1000);
    pauser.Reset();
    layer.ReadAllReports();
    EXPECT_EQ(ups.Log().size(), 33u);
    EXPECT_EQ(pauser.TotalMs(), 6600);
}

TEST_F(ReportLayerTest, AFailingReportKeepsItsBytesAndCosts600Milliseconds) {
    const SettingsImage before = DistinctImage(9);
    layer.Image() = before;
    SettingsImage held;  // all zero but the model code
    held.bytes[8] = 9;
    ups.Unit().LoadImage(held);
    ups.FailReport(0x3E);
    layer.ReadAllReports();

    EXPECT_EQ(ups.CountTransfers(Direction::Get, 0x3E), 3);
    EXPECT_EQ(pauser.Pauses(), (std::vector<int>{200, 200, 200}));
    for (std::size_t i = 0; i < SettingsImage::kSize; ++i) {
        const bool kept = (i >= 18 && i <= 21) || i == 9;
        EXPECT_EQ(layer.Image().bytes[i], kept ? before.bytes[i] : held.bytes[i]) << "byte " << i;
    }
    // The reads after the failure went on and connected again.
    EXPECT_TRUE(layer.Connected());
    EXPECT_EQ(listener.shared.size(), 10u);
}

TEST_F(ReportLayerTest, StatusReadsFlagsAndStartupTimeOnlyWithTestInfo) {
    ups.Unit().SetVersions(1, 2, 0);  // no monitor firmware: no test info
    ups.Unit().SetOnline(false);
    ups.Unit().SetOutlet(1, false);
    ups.Unit().SetOutlet(2, true);
    ups.Unit().SetStartupSeconds(-2);
    layer.ReadIdentity();
    EXPECT_EQ(layer.Flags().testInfo.load(), 0);
    layer.Flags().keepPolling = 1;
    layer.Flags().upsOn = 1;
    layer.ReadStatus();
    EXPECT_EQ(layer.Flags().upsOn.load(), 0);
    EXPECT_EQ(layer.Flags().outlet1On.load(), 0);
    EXPECT_EQ(layer.Flags().outlet2On.load(), 1);
    EXPECT_EQ(ups.CountTransfers(Direction::Get, 0x09), 0);
    EXPECT_TRUE(listener.startup.empty());

    ups.Unit().SetVersions(1, 2, 3);
    layer.ReadIdentity();
    ups.FailReport(0x33);  // a failed status read does not keep 0x09 from being read
    layer.ReadStatus();
    EXPECT_EQ(listener.startup, (std::vector<std::int32_t>{-2}));
    EXPECT_EQ(layer.Flags().outlet2On.load(), 1);  // kept
}

TEST_F(ReportLayerTest, KeepPollingClearReadsNothingEvenBetweenAttempts) {
    ups.Unit().SetVersions(1, 1, 1);
    layer.ReadIdentity();
    ups.ClearLog();
    layer.Flags().keepPolling = 0;
    layer.ReadStatus();
    EXPECT_TRUE(ups.Log().empty());
    EXPECT_TRUE(pauser.Pauses().empty());

    // Cleared during the pause after the first failed attempt: no further attempt of either.
    layer.Flags().keepPolling = 1;
    ups.FailReport(0x33);
    pauser.onPause = [&](int) { layer.Flags().keepPolling = 0; };
    layer.ReadStatus();
    EXPECT_EQ(ups.Log().size(), 1u);
    EXPECT_EQ(pauser.Count(), 1u);
}

// --- Commands ----------------------------------------------------------------------------------

TEST_F(ReportLayerTest, OutletCommandsSetTheirBitsInThe44AsRead) {
    ups.Unit().SetSettingsReport(0x44, {0xA5, 0x5A, 0x00, 0x3C});
    ups.Unit().SetOutlet(2, false);
    layer.RebootOutlet(2);
    EXPECT_EQ(ups.ReadIds(), Ids{0x44});
    EXPECT_EQ(ups.WrittenIds(), Ids{0x44});
    EXPECT_EQ(*ups.LastWrite(0x44), (Data{0xA5, 0x5A, 0x30, 0x3C}));
    EXPECT_TRUE(ups.Unit().OutletOn(2));
    EXPECT_EQ(pauser.Pauses(), std::vector<int>{200});

    struct Case {
        bool (ReportLayer::*command)(int);
        int outlet;
        std::uint8_t bits;
    };
    const Case cases[] = {{&ReportLayer::TurnOutletOn, 1, 0x04},
                          {&ReportLayer::TurnOutletOff, 1, 0x08},
                          {&ReportLayer::RebootOutlet, 1, 0x0C},
                          {&ReportLayer::TurnOutletOn, 2, 0x10},
                          {&ReportLayer::TurnOutletOff, 2, 0x20}};
    for (const Case& c : cases) {
        ups.Unit().SetSettingsReport(0x44, {0x01, 0x02, 0x41, 0x04});  // bits already set stay set
        ups.ClearLog();
        EXPECT_TRUE((layer.*c.command)(c.outlet));
        EXPECT_EQ(*ups.LastWrite(0x44),
                  (Data{0x01, 0x02, static_cast<std::uint8_t>(0x41 | c.bits), 0x04}))
            << "bits " << int{c.bits};
    }
    EXPECT_FALSE(ups.Unit().OutletOn(2));

    // There is no outlet 3: nothing goes to the unit.
    ups.ClearLog();
    EXPECT_FALSE(layer.TurnOutletOn(3));
    EXPECT_TRUE(ups.Log().empty());

    const SettingsImage untouched = layer.Image();
    ups.Unit().SetSettingsReport(0x44, {0x01, 0x02, 0x41, 0x04});
    layer.RequestBootloader();
    EXPECT_EQ((*ups.LastWrite(0x44))[2], 0x41 | 0x80);
    EXPECT_TRUE(ups.Unit().DisplayUpdateMode());
    EXPECT_EQ(layer.Image(), untouched);  // commands leave the settings image alone
}

TEST_F(ReportLayerTest, ARetryResendsItsOwnReportAfterTheOtherThreadUsedTheLink) {
    // The monitor thread reads the status report during the pause after a failed attempt;
    // the retry must still carry its own id and bytes, not what that read left in the buffer.
    layer.Flags().keepPolling = 1;
    const SettingsImage old = DistinctImage(10);
    SettingsImage edited = old;
    edited.bytes[22] ^= 1;
    ups.FailNextTransfers(1);
    bool monitorRan = false;
    pauser.onPause = [&](int) {
        if (std::exchange(monitorRan, true)) return;
        layer.ReadStatus();
    };
    layer.WriteReports(edited, old);
    EXPECT_EQ(ups.ReadIds(), Ids{0x33});
    EXPECT_EQ(ups.WrittenIds(), (Ids{0x3F, 0x44}));
    EXPECT_EQ(*ups.LastWrite(0x3F),
              (Data{edited.bytes[22], edited.bytes[23], edited.bytes[24], edited.bytes[25]}));
}

TEST_F(ReportLayerTest, AFailedReadOf44DropsTheCommand) {
    ups.FailReport(0x44);
    layer.TurnOutletOff(1);
    layer.RequestBootloader();
    EXPECT_EQ(ups.CountTransfers(Direction::Get, 0x44), 6);
    EXPECT_EQ(ups.CountTransfers(Direction::Set, 0x44), 0);
    EXPECT_TRUE(ups.Unit().OutletOn(1));
    EXPECT_FALSE(ups.Unit().DisplayUpdateMode());
    EXPECT_EQ(pauser.TotalMs(), 1200);
}

TEST_F(ReportLayerTest, BatteryTestWrites08WithoutReadingFirst) {
    layer.StartBatteryTest();
    EXPECT_EQ(ups.Unit().LastBatteryTestCommand(), 1);
    layer.TerminateBatteryTest();
    EXPECT_EQ(ups.Unit().LastBatteryTestCommand(), 3);
    EXPECT_EQ(ups.WrittenIds(), (Ids{0x08, 0x08}));
    EXPECT_TRUE(ups.ReadIds().empty());
    EXPECT_EQ(pauser.Pauses(), (std::vector<int>{200, 200}));
}

TEST_F(ReportLayerTest, AdoptImageKeepsTheDestinationsModelCode) {
    SettingsImage destination = DistinctImage(17);
    const SettingsImage source = DistinctImage(99);
    SettingsImage changed = source;
    changed.bytes[0] = 1;
    ReportLayer::AdoptImage(changed, destination);
    EXPECT_EQ(destination.bytes[8], 17);
    destination.bytes[8] = 99;
    EXPECT_EQ(destination, changed);
}

// The monitor's wait between status reads: cut short by a stop from another thread (a broken
// wake-up would hang here for an hour), returning at once when the flag is already clear.
TEST(UpsFlags, StopPollingEndsAWaitAtOnce) {
    UpsFlags flags;
    flags.keepPolling = 1;
    EXPECT_TRUE(flags.WaitWhilePolling(std::chrono::milliseconds(0)));
    std::thread stopper([&] { flags.StopPolling(); });
    EXPECT_FALSE(flags.WaitWhilePolling(std::chrono::hours(1)));
    stopper.join();
    EXPECT_EQ(flags.keepPolling.load(), 0);
    EXPECT_FALSE(flags.WaitWhilePolling(std::chrono::hours(1)));
}

}  // namespace
}  // namespace upsconfig
