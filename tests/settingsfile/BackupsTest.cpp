#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "settingsfile/Backups.h"
#include "support/LocalTime.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;

TEST(BackupsTest, OnlyAnAbsoluteFolderRootsTheBackups) {
    struct Row {
        const char* xdgDataHome;
        const char* home;
        std::optional<fs::path> root;
    };
    const Row rows[] = {
        {"/data", "/home/u", "/data/upsconfig/backups"},
        {"data", "/home/u", "/home/u/.local/share/upsconfig/backups"},
        {nullptr, "home/u", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BackupRoot(row.xdgDataHome, row.home), row.root) << row.home;
}

TEST(BackupsTest, EachUnitKeepsItsBackupsInAFolderOfItsOwn) {
    std::string folder = (fs::temp_directory_path() / "upsconfig-backups-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string longSerial(300, 'x');
    const std::string names[] = {
        BackupUnitName(3, "", false),
        BackupUnitName(3, "", true),
        BackupUnitName(3, "SN-A", false),
        BackupUnitName(3, "../a/b c%", false),
        BackupUnitName(3, "\xc3\xbc", false),
        BackupUnitName(3, longSerial, false),
        BackupUnitName(3, longSerial + "y", false),
    };
    const auto clock = [] { return support::LocalTime(2009, 7, 3, 8, 5, 4); };
    for (const std::string& name : names) {
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
        EXPECT_LE(name.size(), 128u) << name;
        EXPECT_TRUE(SaveBackup(folder, name, SettingsImage{}, "bAlarmCtrl", clock)) << name;
    }
    // Every name is a folder of its own, and the list knows each as written.
    const std::vector<BackupEntry> entries = ListBackups(folder);
    EXPECT_EQ(entries.size(), std::size(names));
    for (const std::string& name : names)
        EXPECT_EQ(std::ranges::count(entries, name, &BackupEntry::unit), 1) << name;
    EXPECT_EQ(std::ranges::count(entries, true, &BackupEntry::simulated), 1);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace upsconfig
