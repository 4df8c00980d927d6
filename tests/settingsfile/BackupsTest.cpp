#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "settingsfile/Backups.h"
#include "support/LocalTime.h"
#include "support/TestFiles.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;

TEST(BackupsTest, OnlyAnAbsoluteFolderOfTheSystemsOwnVariableRootsTheBackups) {
    using platform::System;
    const fs::path at = fs::temp_directory_path();  // absolute on every system
    const std::string data = (at / "data").string(), home = (at / "home").string();
    const std::string local = (at / "local").string();
    struct Row {
        System system;
        std::map<std::string, std::string> variables;
        std::optional<fs::path> root;
    };
    const Row rows[] = {
        {System::Posix, {{"XDG_DATA_HOME", data}, {"HOME", home}}, at / "data"},
        {System::Posix, {{"XDG_DATA_HOME", "data"}, {"HOME", home}}, at / "home/.local/share"},
        {System::Posix, {{"HOME", "home/u"}, {"LOCALAPPDATA", local}}, std::nullopt},
        {System::Posix, {{"XDG_DATA_HOME", ""}, {"HOME", ""}}, std::nullopt},
        {System::Windows, {{"LOCALAPPDATA", local}, {"XDG_DATA_HOME", data}}, at / "local"},
        {System::Windows, {{"LOCALAPPDATA", "local"}, {"HOME", home}}, std::nullopt},
        {System::Windows, {{"XDG_DATA_HOME", data}, {"HOME", home}}, std::nullopt},
    };
    for (const Row& row : rows) {
        const auto variable = [&row](const std::string& name) -> std::optional<std::string> {
            const auto it = row.variables.find(name);
            return it == row.variables.end() ? std::nullopt : std::optional(it->second);
        };
        const auto root = row.root ? std::optional(*row.root / "upsconfig/backups") : std::nullopt;
        EXPECT_EQ(BackupRoot(variable, row.system), root) << row.variables.begin()->second;
    }
}

TEST(BackupsTest, EachUnitKeepsItsBackupsInAFolderOfItsOwn) {
    const fs::path folder = support::UniqueFolder("upsconfig-backups");
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
    support::RemoveTree(folder);
}

}  // namespace
}  // namespace upsconfig
