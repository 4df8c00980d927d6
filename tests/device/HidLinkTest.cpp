#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <thread>

#include "device/HidLink.h"
#include "device/ReportLayer.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"

namespace upsconfig {
namespace {

using Direction = SimulatedUps::Direction;
using support::FakePauser;
using Data = std::array<std::uint8_t, 4>;

class HidLinkTest : public testing::Test {
  protected:
    void SetUp() override { link.SetIds(kUpsVendorId, kUpsProductId); }

    SimulatedUps ups;
    HidLink link{ups};
};

TEST_F(HidLinkTest, NoUnitFailsEveryTransferAndKeepsNothingOpen) {
    ups.Unplug();
    Data data{9, 9, 9, 9};
    EXPECT_FALSE(link.ReadReport(0x01, data));
    EXPECT_FALSE(link.WriteReport(0x32, data));
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(data, (Data{9, 9, 9, 9}));  // a failed read leaves the caller's data alone
    EXPECT_EQ(ups.OpenCount(), 0);
    EXPECT_TRUE(ups.Log().empty());
}

TEST_F(HidLinkTest, FailedTransferClosesAndTheNextOneConnectsAfresh) {
    Data data{};
    ASSERT_TRUE(link.ReadReport(0x33, data));
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(link.FeatureLength(), 5u);
    EXPECT_EQ(ups.OpenCount(), 1);

    ups.FailNextTransfers(1);
    EXPECT_FALSE(link.ReadReport(0x33, data));
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(ups.OpenPath(), "");        // closed at once
    EXPECT_EQ(link.FeatureLength(), 5u);  // kept from the unit last opened

    EXPECT_TRUE(link.ReadReport(0x33, data));
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(ups.OpenCount(), 2);
}

TEST_F(HidLinkTest, UnplugBetweenReadsRecoversWithinOneThreeAttemptRead) {
    FakePauser pauser;
    ReportLayer layer(link, pauser.AsPauser());
    ups.Unit().SetModelCode(7);
    layer.ReadIdentity();
    ASSERT_EQ(layer.Image().bytes[8], 7);

    ups.Unplug();
    ups.Unit().SetModelCode(8);
    // Back after the first failed attempt's pause.
    pauser.onPause = [&](int) { ups.Replug(); };
    layer.ReadIdentity();
    EXPECT_TRUE(layer.Connected());
    EXPECT_EQ(layer.Image().bytes[8], 8);
    EXPECT_EQ(pauser.Pauses(), std::vector<int>{200});
    EXPECT_EQ(ups.OpenCount(), 2);
}

TEST_F(HidLinkTest, TwoMatchingUnitsFirstInOrderAlsoAfterAFailure) {
    ups.AddInterface("sim:ups1", kUpsVendorId, kUpsProductId);
    Data data{};
    ASSERT_TRUE(link.ReadReport(0x01, data));
    EXPECT_EQ(ups.OpenPath(), SimulatedUps::kDefaultPath);

    ups.FailNextTransfers(1);
    EXPECT_FALSE(link.ReadReport(0x01, data));
    EXPECT_TRUE(link.ReadReport(0x01, data));
    EXPECT_EQ(ups.OpenPath(), SimulatedUps::kDefaultPath);
    for (const auto& t : ups.Log())
        EXPECT_EQ(t.path, SimulatedUps::kDefaultPath);
}

TEST_F(HidLinkTest, OnlyTheWantedIdsAndATransferableLengthMatch) {
    // Listed first: same vendor, another product; another vendor; then one whose length
    // is unknown; one too long for the buffer; one too short for id and four data bytes;
    // and last the real unit.
    ups.SetInterfaceIds(SimulatedUps::kDefaultPath, kUpsVendorId, 0x0001);
    ups.AddInterface("sim:other-vendor", static_cast<std::uint16_t>(kUpsVendorId + 1), 0x0000);
    ups.AddInterface("sim:unknown", kUpsVendorId, kUpsProductId, std::vector<std::uint8_t>{});
    ups.AddInterface("sim:oversize", kUpsVendorId, kUpsProductId,
                     std::vector<std::uint8_t>{0x75, 0x08, 0x96, 0x00, 0x01, 0xB1, 0x02});
    ups.AddInterface("sim:short", kUpsVendorId, kUpsProductId,
                     std::vector<std::uint8_t>{0x75, 0x08, 0x95, 0x03, 0xB1, 0x02});
    Data data{};
    EXPECT_FALSE(link.ReadReport(0x01, data));
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(ups.OpenPath(), "");

    // Exactly 256 bytes still fits.
    ups.AddInterface("sim:fits", kUpsVendorId, kUpsProductId,
                     std::vector<std::uint8_t>{0x75, 0x08, 0x95, 0xFF, 0xB1, 0x02});
    EXPECT_TRUE(link.ReadReport(0x01, data));
    EXPECT_EQ(ups.OpenPath(), "sim:fits");
    EXPECT_EQ(link.FeatureLength(), 256u);
    ASSERT_TRUE(link.WriteReport(0x08, data));
    EXPECT_EQ(ups.Log().back().bytes.size(), 256u);
}

// A unit that is there but cannot be opened is not reported as absent: the person reads why.
TEST_F(HidLinkTest, ConnectFailureSaysWhyTheLastCandidateWasPassedOver) {
    Data data{};
    ups.FailOpen(SimulatedUps::kDefaultPath,
                 {OpenFailure::Kind::PermissionDenied, EACCES, "Permission denied"});
    EXPECT_FALSE(link.ReadReport(0x01, data));
    EXPECT_EQ(link.LastFailure(), "sim:ups0 could not be opened: Permission denied");

    ups.FailOpen(SimulatedUps::kDefaultPath, {});
    ups.SetReportDescriptor({0x75, 0x08, 0x95, 0x02, 0xB1, 0x02});  // 3-byte transfers
    EXPECT_FALSE(link.ReadReport(0x01, data));
    EXPECT_NE(link.LastFailure().find("feature reports do not fit"), std::string::npos);

    ups.SetReportDescriptor({});  // none to be had: not a misfit, and the path says which
    EXPECT_FALSE(link.ReadReport(0x01, data));
    EXPECT_EQ(link.LastFailure(), "sim:ups0: the report descriptor could not be read");

    ups.Unplug();  // an earlier candidate's reason does not outlive it
    EXPECT_FALSE(link.ReadReport(0x01, data));
    EXPECT_EQ(link.LastFailure(), "no UPS found");
}

TEST_F(HidLinkTest, NoByteComesFromAnEarlierTransfer) {
    using Bytes = std::vector<std::uint8_t>;
    ups.SetReportDescriptor({0x75, 0x08, 0x95, 0x07, 0xB1, 0x02});  // 8-byte transfers
    const Bytes stale(7, 0xEE);
    ASSERT_TRUE(link.WriteReport(0x32, stale));  // fills the whole frame

    // The unit answers with id and four bytes; the rest is zero, not the write's 0xEE.
    ups.Unit().SetStartupSeconds(0x04030201);
    Bytes data(7, 0x99);
    ASSERT_TRUE(link.ReadReport(0x09, data));
    EXPECT_EQ(data, (Bytes{1, 2, 3, 4, 0, 0, 0}));

    // A write sends zeros past the bytes it is given.
    const std::uint8_t one[] = {0xAA};
    ASSERT_TRUE(link.WriteReport(0x08, one));
    EXPECT_EQ(ups.Log().back().bytes, (Bytes{0x08, 0xAA, 0, 0, 0, 0, 0, 0}));

    // A 0x44 command sends back the frame it read, past the reply zero, with byte 2 changed.
    ups.Unit().SetSettingsReport(0x44, {0x11, 0x22, 0x40, 0x33});
    ASSERT_TRUE(link.WriteReport(0x32, stale));
    FakePauser pauser;
    ReportLayer layer(link, pauser.AsPauser());
    layer.TurnOutletOff(1);
    EXPECT_EQ(ups.Log().back().bytes, (Bytes{0x44, 0x11, 0x22, 0x48, 0x33, 0, 0, 0}));

    // A reply shorter than id and four data bytes is a failed read: nothing is taken from it.
    ups.SetReplyLength(0x33, 4);
    Data status{9, 9, 9, 9};
    EXPECT_FALSE(link.ReadReport(0x33, status));
    EXPECT_EQ(status, (Data{9, 9, 9, 9}));
    EXPECT_FALSE(link.Connected());
    EXPECT_NE(link.LastFailure().find("short"), std::string::npos) << link.LastFailure();
    ups.SetReplyLength(0x33, 5);
    EXPECT_TRUE(link.ReadReport(0x33, status));
    EXPECT_TRUE(link.LastFailure().empty());
}

TEST_F(HidLinkTest, TwoThreadsNeverInterleaveAnExchange) {
    // Distinct bytes per report, so a read that got another report's data shows.
    ups.Unit().SetOnline(true);
    ups.Unit().SetOutlet(1, true);
    ups.Unit().SetOutlet(2, false);
    for (std::uint8_t id = 0x3C; id <= 0x43; ++id)
        ups.Unit().SetSettingsReport(id, {id, id, id, id});
    ups.Unit().SetSettingsReport(0x32, {0x32, 0x32, 0x32, 0x32});
    ups.SetLatency(std::chrono::microseconds(20));

    std::atomic<int> wrong{0};
    constexpr int kRounds = 150;
    std::thread status([&] {
        for (int i = 0; i < kRounds; ++i) {
            Data data{};
            if (link.ReadReport(0x33, data) && data != Data{0x05, 0, 0, 0}) ++wrong;
        }
    });
    std::thread settings([&] {
        for (int i = 0; i < kRounds; ++i) {
            const auto id = static_cast<std::uint8_t>(0x3C + i % 8);
            Data data{};
            if (link.ReadReport(id, data) && data != Data{id, id, id, id}) ++wrong;
            if (i % 10 == 0) {
                const std::uint8_t same[] = {0x32, 0x32, 0x32, 0x32};
                link.WriteReport(0x32, same);
            }
        }
    });
    status.join();
    settings.join();

    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(ups.OverlappingTransfers(), 0);
    const auto log = ups.Log();
    EXPECT_EQ(log.size(), 2u * kRounds + 15);
    for (const auto& t : log) {
        EXPECT_TRUE(t.ok);
        EXPECT_EQ(t.bytes.size(), 5u);
        if (t.id == 0x33) {
            EXPECT_EQ(t.Data(), (Data{0x05, 0, 0, 0}));
        }
        if (t.id >= 0x3C) {
            EXPECT_EQ(t.Data(), (Data{t.id, t.id, t.id, t.id}));
        }
    }
}

}  // namespace
}  // namespace upsconfig
