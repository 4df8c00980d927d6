#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliEnvironment.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "device/HidLink.h"
#include "device/ReportLayer.h"
#include "session/UnitLock.h"
#include "settingsfile/Backups.h"
#include "sim/SimulatedUps.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// What the identification and the start-up time tell beyond the image.
class UnitListener : public ReportListener {
  public:
    void ShowVersions(int hardware, int power, int monitor) override {
        versions = {hardware, power, monitor};
    }
    void ShowTimeSinceStartup(std::int32_t seconds) override { uptime = seconds; }

    std::array<int, 3> versions{};
    std::optional<std::int32_t> uptime;
};

// One run of a verb: its options, the world, the JSON object it fills and, once connected, the
// unit (real or simulated) as read.
class Command {
  public:
    Command(const Options& options, CliEnvironment& env);

    const Options& Opts() const { return options_; }
    CliEnvironment& Env() { return env_; }
    std::ostream& Out() { return env_.out; }
    bool JsonOutput() const { return options_.json; }
    Json& Result() { return json_; }
    const std::string& Word(std::size_t i) const { return options_.words.at(i); }
    std::size_t Words() const { return options_.words.size(); }
    // Fails with a usage error unless the verb has least to most arguments.
    void Arguments(std::size_t least, std::size_t most) const;
    // The verb writes to the unit: Connect takes the unit's lock before it reads what the
    // write is made from, and the command holds it to its end.
    void WillWrite() { writes_ = true; }
    // A result rendered once: into the JSON object with --json, else as text.
    template <typename Rendered>
    void Render(const Rendered& result) {
        if (JsonOutput()) {
            result.ToJson(json_);
        } else {
            result.Text(Out());
        }
    }

    // --- The unit ------------------------------------------------------------------------
    // The simulated or the real backend; with select, only the interfaces --device names.
    void MakeBackend(bool select = true);
    HidBackend& Backend() { return *backend_; }
    SimulatedUps* Simulated() { return simulated_.get(); }
    std::filesystem::path SimStatePath() const;
    // Takes the simulated unit's state lock for the rest of the command, waiting while another
    // command holds it: commands on one state file take turns.
    void LockSimState();
    // Keeps the simulated unit's state for the next command, once, and only a state that
    // loaded (or none); the reason when it could not be kept.
    std::optional<std::string> SaveSimulated();
    // Finds, opens and reads the unit as the window's Refresh does; fails with the reason.
    void Connect();
    ReportLayer& Reports() { return *reports_; }
    bool Connected() const { return reports_ != nullptr; }
    const SettingsImage& AsRead() const { return asRead_; }
    const UnitListener& Listener() const { return listener_; }
    int Model() const { return static_cast<int>(GetField(asRead_, FieldId::bModelCode)); }
    const std::string& DevicePath() const { return devicePath_; }
    // The unit's serial as its interface gives it; empty where it has none.
    std::string Serial() const { return link_->OpenedInterface().serial; }
    bool Online() const { return reports_->Flags().upsOn.load() != 0; }
    // The backup folder of the unit; the simulated unit's are kept apart from real units'.
    std::string UnitName() const;
    std::optional<std::filesystem::path> BackupRoot() const;
    // The backups of real units, or with --simulate those of the simulated unit.
    std::vector<BackupEntry> Backups() const;
    void ExpectConnected(const std::string& what);

    // --- Asking and waiting ----------------------------------------------------------------
    // --yes, or the user's yes on a terminal; fails with exit 2 when there is none to ask.
    bool Confirm(const std::string& question);
    // A wait for the unit, counted down on a terminal.
    void Wait(int milliseconds);

  private:
    // Fails with the backend's reason when interfaces with the ids are there but none opens.
    void CheckInterfaces();
    // Reads every report; fails unless all came from a unit that names its model.
    void ReadTheUnit();
    // Takes the unit's lock, waiting up to --wait; fails with exit 4 naming its holder.
    void LockUnit(const HidInterface& unit);
    void EndProgress();

    const Options& options_;
    CliEnvironment& env_;
    Json json_ = Json::object();

    std::shared_ptr<HidBackend> backend_;
    std::shared_ptr<HidBackend> unselected_;  // under backend_ when --device selects
    std::shared_ptr<SimulatedUps> simulated_;
    std::filesystem::path simStatePath_;
    // The state as loaded ("" when there was none); unset when it did not load, or once kept.
    std::optional<std::string> simStateAsLoaded_;
    std::unique_ptr<HidLink> link_;
    std::unique_ptr<ReportLayer> reports_;
    UnitListener listener_;
    SettingsImage asRead_;
    bool interfaceFound_ = false;
    HidInterface found_;  // the interface the first look found reachable
    bool writes_ = false;
    UnitLock unitLock_;
    UnitLock stateLock_;
    std::string devicePath_;
    int searchedMs_ = 0;
    bool progressShown_ = false;
};

}  // namespace upsconfig
