#include <gtest/gtest.h>

#include <vector>

#include "device/ReportLayerFixture.h"

namespace upsconfig {
namespace {

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

}  // namespace
}  // namespace upsconfig
