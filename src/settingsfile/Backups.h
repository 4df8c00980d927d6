#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settingsfile/SettingsFile.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// Before every write to a unit, its settings as read are kept as a settings file, so that no
// setting is ever lost: one folder per unit under the user's data folder, the newest kMaxBackups
// of each kept. Beside each file a line or two of what the write changed.
inline constexpr std::size_t kMaxBackups = 50;

// <data home>/upsconfig/backups, the data home being XDG_DATA_HOME when set to an absolute
// path, else ~/.local/share. nullopt when neither is known.
std::optional<std::filesystem::path> BackupRoot(const char* xdgDataHome, const char* home);
// The same from this process's environment.
std::optional<std::filesystem::path> BackupRootFromEnvironment();

// The folder name of a unit: its serial when known, else "model-<code>".
std::string BackupUnitName(int modelCode, const std::string& serial = {});

struct BackupEntry {
    std::filesystem::path file;
    std::string time;  // "2026-12-08 22:15:01"
    std::string unit;
    int modelCode = 0;
    std::string changed;  // the keys the write changed, blank-separated
};

// Keeps `asRead` of `unit` and what the coming write changes, in `kept` when given. Fails
// (nothing kept) when the folder or the file cannot be written.
WriteResult SaveBackup(const std::filesystem::path& root, const std::string& unit,
                       const SettingsImage& asRead, const std::string& changed,
                       const LocalClock& clock = SystemLocalTime,
                       std::filesystem::path* kept = nullptr);

// Every unit's backups, newest first.
std::vector<BackupEntry> ListBackups(const std::filesystem::path& root);

}  // namespace upsconfig
