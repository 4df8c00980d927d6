// What reading and writing settings files does with the file system: file kinds and sizes,
// permissions, links, and writes that fail or break off.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "settingsfile/SettingsFileFixture.h"

namespace upsconfig {
namespace {

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
