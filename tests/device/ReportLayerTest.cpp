#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "device/HidLink.h"
#include "device/ReportLayer.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"

namespace upsconfig {
namespace {

using Data = std::array<std::uint8_t, 4>;
using Ids = std::vector<std::uint8_t>;
using Direction = SimulatedUps::Direction;
using support::FakePauser;

struct RecordingListener : ReportListener {
    void ShowVersions(int h, int p, int m) override { versions.push_back({h, p, m}); }
    void ShareImage(const SettingsImage& image) override { shared.push_back(image); }
    void ShowTimeSinceStartup(std::int32_t seconds) override { startup.push_back(seconds); }
    std::vector<std::array<int, 3>> versions;
    std::vector<SettingsImage> shared;
    std::vector<std::int32_t> startup;
};

// An image with every byte distinct, so a byte that lands in the wrong place shows.
SettingsImage DistinctImage(std::uint8_t model) {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = static_cast<std::uint8_t>(0x80 + i);
    }
    image.bytes[8] = model;
    image.bytes[9] = 0;
    return image;
}

class ReportLayerTest : public testing::Test {
  protected:
    void SetUp() override {
        link.SetIds(kUpsVendorId, kUpsProductId);
        layer.SetListener(&listener);
    }

    // Reads the unit's current state as the window would, then forgets that traffic.
    void ReadFirst() {
        layer.ReadAllReports();
        ASSERT_TRUE(layer.Connected());
        ups.ClearLog();
        pauser.Reset();
    }

    SimulatedUps ups;
    HidLink link{ups};
    FakePauser pauser;
    ReportLayer layer{link, pauser.AsPauser()};
    RecordingListener listener;
};

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

// --- Writes ------------------------------------------------------------------------------------

TEST_F(ReportLayerTest, WriteReportsNothingChangedSendsNothing) {
    const SettingsImage image = DistinctImage(10);
    layer.WriteReports(image, image);
    EXPECT_TRUE(ups.Log().empty());
    EXPECT_TRUE(pauser.Pauses().empty());
}

TEST_F(ReportLayerTest, WriteReportsSingleFieldChanges) {
    struct Case {
        const char* name;
        FieldId field;
        Ids ids;
        std::uint8_t commandOr;
        std::uint8_t changedOr;
        std::size_t at;  // image byte of the first report's data byte 0
    };
    const Case cases[] = {
        {"bLowBattTime", FieldId::bLowBattTime, {0x32, 0x44}, 0x03, 0x00, 0},
        {"BatWeakPer_B", FieldId::BatWeakPer_B, {0x3F, 0x44}, 0x01, 0x08, 22},
        {"bECOMode", FieldId::bECOMode, {0x44}, 0x01, 0x00, 4},
        {"OutletOnDT_L_B", FieldId::OutletOnDT_L_B, {0x40, 0x44}, 0x01, 0x10, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ups.ClearLog();
        pauser.Reset();
        SettingsImage old = DistinctImage(10);
        old.bytes[6] = 0x40;  // bCommandFlags as last read
        old.bytes[7] = 0x81;  // bChangedReports as last read
        SettingsImage edited = old;
        SetField(edited, c.field, GetField(old, c.field) ^ 1u);
        ASSERT_NE(edited, old);
        layer.WriteReports(edited, old);

        EXPECT_EQ(ups.WrittenIds(), c.ids);
        EXPECT_EQ(pauser.Pauses(), std::vector<int>(c.ids.size(), 200));
        const auto summary = ups.LastWrite(0x44);
        ASSERT_TRUE(summary);
        EXPECT_EQ(*summary, (Data{edited.bytes[4], edited.bytes[5],
                                  static_cast<std::uint8_t>(0x40 | c.commandOr),
                                  static_cast<std::uint8_t>(0x81 | c.changedOr)}));
        if (c.ids.size() == 2) {
            const std::size_t at = c.at;
            EXPECT_EQ(*ups.LastWrite(c.ids[0]), (Data{edited.bytes[at], edited.bytes[at + 1],
                                                      edited.bytes[at + 2], edited.bytes[at + 3]}));
        }
    }
}

TEST_F(ReportLayerTest, WriteReportsUnknownModelWritesAtMostTheSettingsReport) {
    for (unsigned model : {0u, 54u, 200u, 255u}) {
        SCOPED_TRACE(model);
        ups.ClearLog();
        const SettingsImage old = DistinctImage(static_cast<std::uint8_t>(model));
        SettingsImage edited = old;
        for (std::size_t i = 0; i < edited.bytes.size(); ++i) {
            if (i != 8) edited.bytes[i] = static_cast<std::uint8_t>(~edited.bytes[i]);
        }
        layer.WriteReports(edited, old);
        EXPECT_EQ(ups.WrittenIds(), Ids{0x32});

        ups.ClearLog();
        SettingsImage onlyOutlets = old;
        onlyOutlets.bytes[30] ^= 0xFF;
        onlyOutlets.bytes[5] ^= 0xFF;
        layer.WriteReports(onlyOutlets, old);
        EXPECT_TRUE(ups.Log().empty());
    }
    // 53 is still a model the writer serves.
    ups.ClearLog();
    SettingsImage old = DistinctImage(53);
    SettingsImage edited = old;
    edited.bytes[30] ^= 0xFF;
    layer.WriteReports(edited, old);
    EXPECT_EQ(ups.WrittenIds(), (Ids{0x41, 0x44}));
}

TEST_F(ReportLayerTest, WriteReportsEverythingChangedInWireOrder) {
    const SettingsImage old = DistinctImage(12);
    SettingsImage edited = old;
    for (std::size_t i = 0; i < edited.bytes.size(); ++i) {
        if (i != 8 && i != 9) edited.bytes[i] = static_cast<std::uint8_t>(i);
    }
    layer.WriteReports(edited, old);
    EXPECT_EQ(ups.WrittenIds(), (Ids{0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44}));
    EXPECT_EQ(pauser.Pauses(), std::vector<int>(10, 200));
    EXPECT_EQ(*ups.LastWrite(0x44), (Data{4, 5, 6 | 0x03, 7 | 0xFF}));
    // Only the new image's bytes went out; the unit holds them now (0x44 taken and cleared).
    SettingsImage expected = edited;
    expected.bytes[6] = 0x00;
    expected.bytes[7] = 0x00;
    expected.bytes[9] = 0;
    expected.bytes[8] = ups.Unit().HeldImage().bytes[8];
    EXPECT_EQ(ups.Unit().HeldImage(), expected);
}

TEST_F(ReportLayerTest, AReportGivenUpIsAFailureAndTheSummaryDoesNotClaimIt) {
    const SettingsImage old = DistinctImage(12);
    SettingsImage edited = old;
    edited.bytes[0] ^= 1;
    edited.bytes[10] ^= 1;
    edited.bytes[14] ^= 1;
    ups.FailReport(0x3C);
    WriteOutcome outcome = layer.WriteReports(edited, old);
    EXPECT_FALSE(outcome.allWritten);
    EXPECT_EQ(ups.CountTransfers(Direction::Set, 0x3C), 30);
    EXPECT_EQ(ups.WrittenIds(), (Ids{0x32, 0x3D, 0x44}));
    EXPECT_EQ(pauser.Count(), 33u);
    // 0x3D (bit 1) went through, 0x3C (bit 0) did not; 0x32 did (0x02).
    EXPECT_EQ((*ups.LastWrite(0x44))[2], static_cast<std::uint8_t>(edited.bytes[6] | 0x03));
    EXPECT_EQ((*ups.LastWrite(0x44))[3], static_cast<std::uint8_t>(edited.bytes[7] | 0x02));
    EXPECT_FALSE(outcome.writtenBytes[10]);
    EXPECT_TRUE(outcome.writtenBytes[0] && outcome.writtenBytes[14] && outcome.writtenBytes[4]);

    // 0x32 given up: the summary goes out without its bit; alone, nothing is left to tell.
    ups.ClearFailReport(0x3C);
    ups.FailReport(0x32);
    ups.ClearLog();
    outcome = layer.WriteReports(edited, old);
    EXPECT_FALSE(outcome.allWritten);
    EXPECT_EQ(ups.WrittenIds(), (Ids{0x3C, 0x3D, 0x44}));
    EXPECT_EQ((*ups.LastWrite(0x44))[2], static_cast<std::uint8_t>(edited.bytes[6] | 0x01));
    SettingsImage onlySettings = old;
    onlySettings.bytes[1] ^= 1;
    ups.ClearLog();
    EXPECT_FALSE(layer.WriteReports(onlySettings, old).allWritten);
    EXPECT_TRUE(ups.WrittenIds().empty());
    EXPECT_TRUE(layer.WriteReports(old, old).allWritten);

    // A write that works only on the third attempt stops there.
    ups.ClearFailReport(0x32);
    ups.ClearLog();
    pauser.Reset();
    ups.FailNextTransfers(2);
    EXPECT_TRUE(layer.SendReport(0x32, Data{1, 2, 3, 4}));
    EXPECT_EQ(ups.CountTransfers(Direction::Set, 0x32), 3);
    EXPECT_EQ(pauser.TotalMs(), 600);
    EXPECT_TRUE(layer.Connected());
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
