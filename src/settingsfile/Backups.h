#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "settingsfile/SettingsFile.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// Before every write to a unit, its settings as read are kept as a settings file, so that no
// setting is ever lost: one folder per unit under the user's data folder, the newest kMaxBackups
// of each kept. Beside each file a line or two of what the write changed.
inline constexpr std::size_t kMaxBackups = 50;

// <data home>/upsconfig/backups (platform::DataHome: XDG_DATA_HOME or ~/.local/share, on
// Windows %LOCALAPPDATA%); nullopt when the user has no data home.
std::optional<std::filesystem::path> BackupRoot(const platform::VariableLookup& variable,
                                                platform::System system = platform::kSystem);
// The same from this process's environment.
std::optional<std::filesystem::path> BackupRootFromEnvironment();

// The folder name of a unit, so that no two units share one: "model-<code>", then
// "-<serial>" for a unit that has a serial (bytes a file name cannot carry as %XX, a very long
// one shortened and told apart by a hash), led by "sim-" for a simulated unit, which thus never
// takes a real unit's name.
std::string BackupUnitName(int modelCode, const std::string& serial, bool simulated);

struct BackupEntry {
    std::filesystem::path file;
    std::string time;  // "2026-12-08 22:15:01"
    std::string unit;  // a name BackupUnitName gives: printable as it is
    bool simulated = false;
    int modelCode = 0;
    std::string changed;  // the keys the write changed, blank-separated, printable
};

// Keeps `asRead` of `unit` and what the coming write changes, in `kept` when given. Fails
// (nothing kept) when the folder or the file cannot be written.
WriteResult SaveBackup(const std::filesystem::path& root, const std::string& unit,
                       const SettingsImage& asRead, const std::string& changed,
                       const LocalClock& clock = SystemLocalTime,
                       std::filesystem::path* kept = nullptr);

// Every unit's backups, newest first. Only the names SaveBackup writes count: anything else in
// the folders is passed over. A folder that cannot be read ends the list, its path and the
// reason in `error` when given; no folder yet is no backup yet.
std::vector<BackupEntry> ListBackups(const std::filesystem::path& root,
                                     std::string* error = nullptr);

}  // namespace upsconfig
