#pragma once

#include <bitset>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Pauser.h"
#include "device/ReportLayer.h"
#include "settingsfile/SettingsFile.h"
#include "unit/ApplyChanges.h"
#include "unit/ApplyPlan.h"

namespace upsconfig {

// Where the backup before a write goes: the backups' root (nullopt when the user has no data
// folder) and the unit's folder name below it.
struct BackupPlace {
    std::optional<std::filesystem::path> root;
    std::string unit;
    LocalClock clock = SystemLocalTime;
};

// How a write session ended.
enum class WriteEnd {
    NothingToWrite,     // the plan changes nothing: nothing kept, nothing sent
    BackupFailed,       // the settings as read could not be kept: nothing sent
    CommunicationLost,  // a report was given up, or the link was lost while writing
    NotReadBack,        // written, but the read-back failed: nothing is verified
    ReadBack,           // written and read back; `unheld` names what the unit does not hold
};

// What the caller shows while the session runs.
enum class WriteStep { Writing, Waiting, Reading };

struct WriteSessionResult {
    WriteEnd end = WriteEnd::NothingToWrite;
    std::filesystem::path backup;  // the file kept before the write
    std::string backupFolder;      // where it was to go, for a failure
    std::string backupFailure;     // why it could not be kept
    // The settings reports that went through, in the reading order, and their image bytes.
    std::vector<std::uint8_t> reports;
    std::bitset<SettingsImage::kSize> writtenBytes;
    std::string linkFailure;            // the link's reason when communication was lost
    SettingsImage held;                 // what the unit holds after the read-back
    std::vector<UnheldSetting> unheld;  // written settings the unit does not hold
    std::vector<IgnoredValue> ignored;  // asked for, not planned, and why (the plan's)

    bool Written() const { return writtenBytes.any(); }
    // Every planned change was written, read back and is held as written.
    bool Verified() const { return end == WriteEnd::ReadBack && unheld.empty(); }
};

// One write of a plan to a unit, the same for the window's Apply and the command line's apply,
// set and restore: keeps the unit's settings as read in a backup before the first byte, writes
// the reports that differ, waits the 5 s the unit needs to take them, reads every report back
// and compares each written setting with what the unit holds. The report layer's image ends as
// the read-back left it.
class WriteSession {
  public:
    static constexpr int kApplyWaitMs = 5000;

    // `pauser` takes the 5 s wait; the reports' own retry pauses are the report layer's.
    WriteSession(ReportLayer& reports, BackupPlace backup, Pauser pauser);

    // Shown at each step; may be left empty.
    std::function<void(WriteStep)> progress;
    // Reads every report again; true when all came. By default a complete ReadUnit.
    std::function<bool()> readBack;

    // `asRead` is the image the plan was made from, as the unit held it.
    WriteSessionResult Run(const SettingsImage& asRead, const ApplyPlan& plan);

  private:
    void Show(WriteStep step) const;

    ReportLayer& reports_;
    BackupPlace backup_;
    Pauser pauser_;
};

}  // namespace upsconfig
