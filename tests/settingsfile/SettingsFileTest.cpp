#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "platform/Platform.h"
#include "settingsfile/SettingsFile.h"
#include "support/LocalTime.h"
#include "support/TestFiles.h"
#include "unit/SettingsImage.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;
using enum FieldId;

// 7 March 2009, 08:05:04: every part of the time line needs its leading zero.
std::tm FixedTime() { return support::LocalTime(2009, 3, 7, 8, 5, 4); }

SettingsImage PatternImage() {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return image;
}

SettingsImage RandomImage(std::mt19937& rng) {
    SettingsImage image;
    for (auto& b : image.bytes)
        b = static_cast<std::uint8_t>(rng());
    return image;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Spit(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class SettingsFileTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("upsconfig-" + std::to_string(platform::ProcessId()) + "-" + info->name());
        // Process ids come round again (quickly under Wine): a folder may be left from before.
        support::RemoveTree(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { support::RemoveTree(dir_); }

    // Reads text as a settings file into image.
    ReadResult ReadText(std::string_view text, SettingsImage& image) {
        const fs::path path = dir_ / "in.kvr";
        Spit(path, text);
        return ReadSettingsFile(path, image);
    }

    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }

    fs::path dir_;
};

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

TEST_F(SettingsFileTest, OnlyRegularFilesUpTo1MiBAreReadAndTheRestSayWhy) {
    // A key line padded to exactly the limit is read (in linear time: the blanks are removed
    // in one pass); one byte more, a pipe without a writer, or an endless device is refused
    // at once and leaves the image alone.
    const std::string key = "<bLowBattTime>7</bLowBattTime>\r\n";
    Spit(dir_ / "limit.kvr", std::string(kMaxSettingsFileBytes - key.size(), ' ') + key);
    Spit(dir_ / "over.kvr", std::string(kMaxSettingsFileBytes + 1 - key.size(), ' ') + key);
    struct Row {
        fs::path path;
        std::string says;  // empty: read
    };
    std::vector<Row> rows = {
        {dir_ / "limit.kvr", ""},
        {dir_ / "over.kvr", "File too large"},
        {dir_ / "missing.kvr", "No such file or directory"},
        {dir_ / "no-folder" / "x.kvr", "No such file or directory"},
        {dir_, "Is a directory"},
    };
    if (support::MakeFifo(dir_ / "pipe.kvr"))
        rows.push_back({dir_ / "pipe.kvr", "Not a regular file"});
    for (const fs::path& device : support::DeviceFiles())
        rows.push_back({device, "Not a regular file"});
    const SettingsImage before = PatternImage();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.string());
        SettingsImage image = before;
        const ReadResult result = ReadSettingsFile(row.path, image);
        EXPECT_EQ(result.opened, row.says.empty());
        EXPECT_NE(result.reason.find(row.says), std::string::npos) << result.reason;
        if (row.says.empty()) {
            EXPECT_EQ(result.keysFound, 1);
            EXPECT_EQ(GetField(image, bLowBattTime), 7u);
        } else {
            EXPECT_EQ(result.keysFound, 0);
            EXPECT_EQ(image, before);
        }
    }
}

TEST_F(SettingsFileTest, FileOfAnotherKindOpensButHoldsNoKeys) {
    SettingsImage image = PatternImage();
    std::string binary = "\x89PNG\r\n\x1a\n";
    binary.append(std::string("\0\0\0\rIHDR\xff\xfe", 10));
    ReadResult result = ReadText(binary + "\n<Config>\n<html>bOutputlevel=3</html>\n", image);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.keysFound, 0);
    EXPECT_EQ(image, PatternImage());

    // A key inside prose is still taken, and what is left after the removals is no number.
    result = ReadText("Set bAlarmCtrl to 1 please\n", image);
    EXPECT_EQ(result.keysFound, 1);
    EXPECT_EQ(GetField(image, bAlarmCtrl), 0u);
}

TEST_F(SettingsFileTest, OverwriteReplacesContentAndKeepsPermissions) {
    const fs::path path = dir_ / "keep.kvr";
    Spit(path, "old content that is longer than nothing");
    const bool modes = support::WhyNoFileModes().empty();
    const auto userSet = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    if (modes) fs::permissions(path, userSet);
    ASSERT_TRUE(WriteSettingsFile(path, PatternImage(), FixedTime).ok);
    EXPECT_EQ(Slurp(path), FormatSettingsFile(PatternImage(), FixedTime()));
    if (modes) {
        EXPECT_EQ(fs::status(path).permissions(), userSet);
    }
    EXPECT_EQ(Entries(), std::set<std::string>{"keep.kvr"});
}

TEST_F(SettingsFileTest, SavingOverALinkUpdatesTheFileItPointsTo) {
    if (const std::string why = support::WhyNoSymlinks(); !why.empty()) GTEST_SKIP() << why;
    const fs::path path = dir_ / "keep.kvr";
    Spit(path, "old");
    const fs::path link = dir_ / "link.kvr";
    fs::create_symlink(path, link);
    ASSERT_TRUE(WriteSettingsFile(link, SettingsImage{}, FixedTime).ok);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(Slurp(path), FormatSettingsFile(SettingsImage{}, FixedTime()));
}

TEST_F(SettingsFileTest, FailedWritesSayWhyAndLeaveNothingBehind) {
    // Target is a folder, or its folder does not exist: fails for every user, root included.
    const fs::path folder = dir_ / "folder.kvr";
    fs::create_directory(folder);
    Spit(folder / "inside", "x");
    WriteResult result = WriteSettingsFile(folder, PatternImage(), FixedTime);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, EISDIR);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(Slurp(folder / "inside"), "x");

    result = WriteSettingsFile(dir_ / "absent" / "x.kvr", PatternImage(), FixedTime);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, ENOENT);

    // A pipe (or device) must not be replaced by a plain file.
    std::set<std::string> left{"folder.kvr"};
    const fs::path pipe = dir_ / "pipe.kvr";
    if (support::MakeFifo(pipe)) {
        EXPECT_FALSE(WriteSettingsFile(pipe, PatternImage(), FixedTime).ok);
        EXPECT_TRUE(fs::is_fifo(pipe));
        left.insert("pipe.kvr");
    }
    EXPECT_EQ(Entries(), left);
}

// Stands in for a full disk: the file-size limit stops the write part way, for root as well.
TEST_F(SettingsFileTest, WriteThatBreaksOffKeepsThePreviousFile) {
    const fs::path path = dir_ / "previous.kvr";
    const std::string previous = "previous\r\ncontent\r\n";
    Spit(path, previous);

    WriteResult result;
    const std::string why = support::WithFileSizeLimit(
        100, [&] { result = WriteSettingsFile(path, PatternImage(), FixedTime); });
    if (!why.empty()) GTEST_SKIP() << why;

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, EFBIG);
    EXPECT_EQ(Slurp(path), previous);
    EXPECT_EQ(Entries(), std::set<std::string>{"previous.kvr"});
}

TEST_F(SettingsFileTest, ReadOnlyFolderKeepsThePreviousFile) {
    if (const std::string why = support::WhyReadOnlyFoldersAreWritten(); !why.empty())
        GTEST_SKIP() << why;
    const fs::path path = dir_ / "previous.kvr";
    Spit(path, "previous");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    const WriteResult result = WriteSettingsFile(path, PatternImage(), FixedTime);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, EACCES);
    EXPECT_EQ(Slurp(path), "previous");
    EXPECT_EQ(Entries(), std::set<std::string>{"previous.kvr"});
}

// A file the user may not write to is refused, not replaced through its writable folder.
TEST_F(SettingsFileTest, ReadOnlyFileKeepsItsContent) {
    if (const std::string why = support::WhyReadOnlyFilesAreWritten(); !why.empty())
        GTEST_SKIP() << why;
    const fs::path path = dir_ / "previous.kvr";
    Spit(path, "previous");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const WriteResult result = WriteSettingsFile(path, PatternImage(), FixedTime);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, EACCES);
    EXPECT_EQ(Slurp(path), "previous");
    EXPECT_EQ(Entries(), std::set<std::string>{"previous.kvr"});
}

}  // namespace
}  // namespace upsconfig
