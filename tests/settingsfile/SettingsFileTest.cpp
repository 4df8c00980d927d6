#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "settingsfile/SettingsFile.h"
#include "settingsfile/SettingsFileFixture.h"
#include "unit/SettingsImage.h"

namespace upsconfig {
namespace {

TEST(SettingsFileKeysTest, HoldEveryFileFieldOnceAndNoKeyHidesInAnother) {
    std::multiset<FieldId> keys(SettingsFileKeys().begin(), SettingsFileKeys().end());
    std::multiset<FieldId> expected;
    for (const FieldInfo& f : Fields()) {
        if (f.inSettingsFile) expected.insert(f.id);
    }
    EXPECT_EQ(SettingsFileKeys().size(), 64u);
    EXPECT_EQ(keys, expected);

    // The reader finds keys by substring; one key inside another would set the wrong field.
    const std::string fixed = FormatSettingsFile(SettingsImage{}, FixedTime()).substr(0, 50);
    for (FieldId a : SettingsFileKeys()) {
        EXPECT_EQ(fixed.find(Field(a).name), std::string::npos) << Field(a).name;
        for (FieldId b : SettingsFileKeys()) {
            if (a != b) {
                EXPECT_EQ(Field(a).name.find(Field(b).name), std::string::npos)
                    << Field(b).name << " in " << Field(a).name;
            }
        }
    }
}

TEST(SettingsFileFormatTest, TimeLineShowsWhateverTheClockHolds) {
    // A clock may hand in a time no calendar has: day 0 is written as it is, not refused.
    const struct {
        std::tm time;
        std::string_view line;
    } rows[] = {
        {std::tm{}, "  <Time>00-01-00 00:00:00</Time>\r\n"},
        {support::LocalTime(1999, 12, 31, 23, 59, 60), "  <Time>31-12-99 23:59:60</Time>\r\n"},
        {support::LocalTime(2100, 1, 2, 3, 4, 5), "  <Time>02-01-00 03:04:05</Time>\r\n"},
    };
    for (const auto& row : rows) {
        const std::string text = FormatSettingsFile(SettingsImage{}, row.time);
        EXPECT_EQ(text.substr(text.find("  <Time>"), row.line.size()), row.line);
    }
}

TEST_F(SettingsFileTest, WritesTheGoldenFileByteForByte) {
    const fs::path path = dir_ / "out.kvr";
    const WriteResult result = WriteSettingsFile(path, PatternImage(), FixedTime);
    ASSERT_TRUE(result.ok) << result.reason;
    const std::string written = Slurp(path);
    EXPECT_EQ(written, Slurp(fs::path(UPSCONFIG_TEST_DATA_DIR) / "golden.kvr"));

    // Every line ends in CR LF, and there are exactly 71 of them.
    std::size_t lines = 0;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\n') {
            ++lines;
            EXPECT_TRUE(i > 0 && written[i - 1] == '\r') << "bare LF at " << i;
        }
    }
    EXPECT_EQ(lines, 71u);
    EXPECT_EQ(written.back(), '\n');
    EXPECT_EQ(Entries(), std::set<std::string>{"out.kvr"});
}

TEST_F(SettingsFileTest, ReadingTheGoldenFileGivesBackTheFields) {
    SettingsImage image;
    image.bytes.fill(0xFF);
    const ReadResult result =
        ReadSettingsFile(fs::path(UPSCONFIG_TEST_DATA_DIR) / "golden.kvr", image);
    ASSERT_TRUE(result.opened) << result.reason;
    EXPECT_EQ(result.keysFound, 64);
    SettingsImage expected = PatternImage();
    for (std::size_t b : {6u, 7u, 8u, 9u})
        expected.bytes[b] = 0xFF;
    expected.bytes[39] |= 0xF0;
    EXPECT_EQ(image, expected);
}

TEST_F(SettingsFileTest, RoundTripKeepsFieldsAndLeavesTheRestAlone) {
    std::mt19937 rng(20260101);
    const fs::path path = dir_ / "trip.kvr";
    for (int i = 0; i < 200; ++i) {
        const SettingsImage source = RandomImage(rng);
        const SettingsImage before = RandomImage(rng);
        ASSERT_TRUE(WriteSettingsFile(path, source, FixedTime).ok);
        SettingsImage image = before;
        const ReadResult result = ReadSettingsFile(path, image);
        ASSERT_TRUE(result.opened);
        EXPECT_EQ(result.keysFound, 64);

        SettingsImage expected = source;
        for (std::size_t b : {6u, 7u, 8u, 9u})
            expected.bytes[b] = before.bytes[b];
        expected.bytes[39] =
            static_cast<std::uint8_t>((before.bytes[39] & 0xF0) | (source.bytes[39] & 0x0F));
        ASSERT_EQ(image, expected) << "round " << i;
    }
}

TEST_F(SettingsFileTest, OneKeyChangesOnlyItsBits) {
    SettingsImage image;
    image.bytes.fill(0xA5);
    const SettingsImage before = image;
    const ReadResult result = ReadText("      <bLowBattTime>5</bLowBattTime>\r\n", image);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.keysFound, 1);
    SettingsImage expected = before;
    expected.bytes[1] = static_cast<std::uint8_t>((0xA5 & 0x07) | (5 << 3));
    EXPECT_EQ(image, expected);
}

TEST_F(SettingsFileTest, IndentationTabsTimeLineAndLineEndsDoNotMatter) {
    SettingsImage reference;
    ASSERT_TRUE(ReadText(FormatSettingsFile(PatternImage(), FixedTime()), reference).opened);

    std::string lf = FormatSettingsFile(PatternImage(), FixedTime());
    for (auto pos = lf.find("\r\n"); pos != std::string::npos; pos = lf.find("\r\n")) {
        lf.erase(pos, 1);
    }
    const std::string cases[] = {
        lf,
        lf.substr(0, lf.size() - 1),  // no line end after the last line
        // Garbled and missing time lines, no indentation, tabs, empty lines, a long line.
        [&] {
            std::string s = lf;
            s.replace(s.find("07-03-09"), 8, "<>9</> x 42");
            return s;
        }(),
        [&] {
            std::string s = lf;
            s.erase(s.find("  <Time>"), s.find("  <type>") - s.find("  <Time>"));
            for (auto pos = s.find("      <"); pos != std::string::npos; pos = s.find("      <")) {
                s.erase(pos, 6);
            }
            return s;
        }(),
        [&] {
            std::string s = lf;
            s.replace(s.find("<bBattType>"), 11, "\t\t<bBattType>\t");
            s.insert(s.find("</bBattType>"), "\t");
            s.insert(s.find("<bEodMode>"), std::string(400, ' '));
            s.insert(0, "\n\n\r\n");
            return s;
        }(),
    };
    for (const std::string& text : cases) {
        SettingsImage image;
        const ReadResult result = ReadText(text, image);
        EXPECT_TRUE(result.opened);
        EXPECT_EQ(result.keysFound, 64);
        EXPECT_EQ(image, reference) << text;
    }
}

TEST_F(SettingsFileTest, LineWithTwoKeysFeedsTheLaterKeyTheChangedLine) {
    SettingsImage image;
    image.bytes.fill(0xFF);
    // bOutputLevel is tested first: bFreqLevel's text still stands before the digits, so it
    // reads 0. Then bFreqLevel sees "<>2</>3", which leaves 23, cut to two bits: 3.
    const ReadResult result =
        ReadText("<bFreqLevel>2</bFreqLevel><bOutputLevel>3</bOutputLevel>\r\n", image);
    EXPECT_EQ(result.keysFound, 2);
    EXPECT_EQ(GetField(image, bOutputLevel), 0u);
    EXPECT_EQ(GetField(image, bFreqLevel), 3u);
    EXPECT_EQ(GetField(image, bAlarmCtrl), 1u);
}

TEST_F(SettingsFileTest, ValuesAreConvertedLikeAtoiAndCutToTheFieldWidth) {
    struct Case {
        std::string_view value;
        unsigned byteField;  // OutletOnDT_L_A, 8 bits
        unsigned bitField;   // bBattType, 4 bits
    };
    const Case cases[] = {
        {"300", 44, 12},
        {"-1", 255, 15},
        {"1 2", 12, 12},
        {"abc", 0, 0},
        {"12abc", 12, 12},
        {"+7", 7, 7},
        {"", 0, 0},
        // Beyond int: saturates at the int range, then the low bits are taken.
        {"123456789012345678901234567890", 255, 15},
        {"-123456789012345678901234567890", 0, 0},
    };
    for (const Case& c : cases) {
        SettingsImage image;
        image.bytes.fill(0x5A);
        const std::string text = "<OutletOnDT_L_A>" + std::string(c.value) +
                                 "</OutletOnDT_L_A>\r\n<bBattType>" + std::string(c.value) +
                                 "</bBattType>\r\n";
        ReadText(text, image);
        EXPECT_EQ(GetField(image, OutletOnDT_L_A), c.byteField) << c.value;
        EXPECT_EQ(GetField(image, bBattType), c.bitField) << c.value;
        EXPECT_EQ(image.bytes[2] & 0x87, 0x5A & 0x87) << "neighbours of bBattType";
    }
}

TEST_F(SettingsFileTest, LastOfRepeatedKeysWinsAndCountsOnce) {
    SettingsImage image;
    const ReadResult result =
        ReadText("<BatWeakPer_A>10</BatWeakPer_A>\n<BatWeakPer_A>20</BatWeakPer_A>\n", image);
    EXPECT_EQ(result.keysFound, 1);
    EXPECT_EQ(GetField(image, BatWeakPer_A), 20u);
    EXPECT_EQ(GetField(image, BatWeakPer_B), 0u);
}

}  // namespace
}  // namespace upsconfig
