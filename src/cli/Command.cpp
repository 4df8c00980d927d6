#include "cli/Command.h"

#include <algorithm>
#include <chrono>
#include <istream>
#include <stdexcept>

#include "cli/ExitCodes.h"
#include "cli/ModelText.h"
#include "cli/SimState.h"
#include "cli/Verbs.h"
#include "device/Diagnosis.h"
#include "device/InterfaceSelection.h"
#include "session/ReadUnit.h"
#include "settingsfile/Backups.h"
#include "unit/PageValues.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;
namespace ec = exit_code;

constexpr int kDefaultSimModel = 3;
constexpr int kLockRetryMs = 200;

}  // namespace

Command::Command(const Options& options, CliEnvironment& env) : options_(options), env_(env) {
    json_["ok"] = true;  // first, whatever follows
}

void Command::Arguments(std::size_t least, std::size_t most) const {
    const std::size_t count = options_.words.size() - 1;
    if (count < least || count > most)
        Fail(ec::kUsage, "wrong number of arguments for " + Word(0) + " (see --help)");
}

fs::path Command::SimStatePath() const {
    if (options_.simState) return *options_.simState;
    std::string error;
    const auto path = DefaultSimStatePath(env_.variable, env_.userId, error);
    if (!path) Fail(ec::kFailed, "no place for the simulated unit's state: " + error);
    return *path;
}

void Command::LockSimState() {
    const LockPlace place{SimStateLockPath(SimStatePath()), platform::LockOn::File};
    LockAttempt attempt = stateLock_.Take(place);
    if (attempt.Held()) {
        if (env_.stderrIsTerminal)
            env_.err << "Waiting for the simulated unit, in use by " << HolderText(attempt.holder)
                     << "...\n";
        attempt = stateLock_.TakeWhenFree(place);
    }
    if (!attempt.Taken())
        Fail(ec::kFailed, "the simulated unit's state cannot be locked: " + attempt.reason +
                              "; nothing was done");
}

void Command::MakeBackend(bool select) {
    if (options_.simulate) {
        simulated_ = std::make_shared<SimulatedUps>();
        SimulatedUnit& unit = simulated_->Unit();
        bool loaded = false;
        simStatePath_ = SimStatePath();
        try {
            // What is no state (a device, the user's file) gets no lock file put beside it.
            SimulatedUnit looked;
            LoadSimState(simStatePath_, looked);
            // From the load to the save: what another command changes meanwhile is never lost.
            LockSimState();
            loaded = LoadSimState(simStatePath_, unit);
        } catch (const std::runtime_error& error) {
            Fail(ec::kFailed, error.what());
        }
        simStateAsLoaded_ = loaded ? FormatSimState(unit) : std::string();
        const int model = options_.simulateModel.value_or(kDefaultSimModel);
        if (!loaded) {
            unit.LoadImage(FactorySettings(model));
            unit.SetVersions(1, 1, 1);
            unit.SetOnline(false);
        } else if (options_.simulateModel && unit.ModelCode() != model) {
            env_.err << "upsconfig-cli: the simulated unit kept in " << simStatePath_.string()
                     << " is of model " << ModelText(unit.ModelCode())
                     << ", and it is used as it is; to start a fresh one of model " << model
                     << ", run 'upsconfig-cli --simulate --sim-state " << simStatePath_.string()
                     << " sim reset' first\n";
        }
        // Hidden: the benchmark's time per transfer, as a unit on the bus would take it.
        if (const auto latency = env_.variable("UPSCONFIG_SIM_LATENCY_US"))
            if (const auto us = ParseNumber(*latency))
                simulated_->SetLatency(std::chrono::microseconds(*us));
        backend_ = simulated_;
    } else {
        backend_ = env_.realBackend();
    }
    if (select && options_.device) {
        unselected_ = backend_;
        backend_ = std::make_shared<SelectedBackend>(*unselected_, *options_.device);
    }
}

std::optional<std::string> Command::SaveSimulated() {
    if (!simulated_ || !simStateAsLoaded_) return std::nullopt;
    const bool unchanged = *simStateAsLoaded_ == FormatSimState(simulated_->Unit());
    simStateAsLoaded_.reset();
    std::string error;
    if (unchanged || SaveSimState(simStatePath_, simulated_->Unit(), error)) return std::nullopt;
    return "the simulated unit's state could not be kept in " + simStatePath_.string() + ": " +
           error;
}

void Command::CheckInterfaces() {
    const std::vector<HidInterface> matching = SelectInterfaces(backend_->Enumerate(), {});
    if (matching.empty()) return;
    interfaceFound_ = true;
    devicePath_ = matching.front().path;
    std::string why;
    for (const HidInterface& i : matching) {
        const Reason reason = CheckInterface(*backend_, i, env_.host);
        if (reason.verdict == Verdict::Reachable) {
            devicePath_ = i.path;
            found_ = i;
            return;
        }
        // A node gone meanwhile is no unit; the reads' retries may still find one.
        if (reason.verdict != Verdict::NoInterface)
            why = reason.detail + (reason.fix.empty() ? "" : " " + reason.fix);
    }
    if (why.empty()) {
        interfaceFound_ = false;
        return;
    }
    Fail(ec::kNotOpened, "the unit was found but could not be opened: " + why);
}

void Command::EndProgress() {
    if (progressShown_) env_.err << "\n";
    progressShown_ = false;
}

void Command::Connect() {
    MakeBackend();
    link_ = std::make_unique<HidLink>(*backend_);
    link_->SetIds(kUpsVendorId, kUpsProductId);
    // Waits over a second show how long on a terminal; a pipe gets nothing.
    reports_ = std::make_unique<ReportLayer>(*link_, [this](int ms) {
        env_.pauser(ms);
        if (!env_.stderrIsTerminal || link_->Connected()) return;
        const int before = searchedMs_ / 1000;
        searchedMs_ += ms;
        if (searchedMs_ / 1000 == before) return;
        env_.err << "\rLooking for the unit... " << searchedMs_ / 1000 << " s" << std::flush;
        progressShown_ = true;
    });
    reports_->SetListener(&listener_);
    reports_->Flags().keepPolling = 1;
    // A unit plugged in meanwhile is still found by the reads' own retries.
    CheckInterfaces();
    const bool locks = writes_ && !simulated_;  // the simulated unit's state lock is its own
    if (locks && interfaceFound_) LockUnit(found_);
    ReadTheUnit();
    // Found only by the reads' retries, or another unit than the first look found: what was
    // read may come from before another program's write, so it is read again under the lock.
    if (locks) {
        const LockPlace place = UnitLock::PlaceOf(link_->OpenedInterface(), env_.lockFolder);
        if (!unitLock_.Holds(place)) {
            LockUnit(link_->OpenedInterface());
            ReadTheUnit();
        }
    }
    reports_->ReadStatus();
    ExpectConnected("reading the unit's state");
    asRead_ = reports_->Image();
    if (devicePath_.empty())  // found by the reads' retries, after the first look
        for (const HidInterface& i : backend_->Enumerate())
            if (i.vendorId == kUpsVendorId && i.productId == kUpsProductId) devicePath_ = i.path;
    json_["device"] = devicePath_;
}

void Command::ReadTheUnit() {
    const UnitReading reading = ReadUnit(*reports_);
    EndProgress();
    if (reading.outcome == ReadOutcome::NoAnswer && !interfaceFound_) {
        std::string text =
            "no unit: no HID interface with the ids " + IdsText(kUpsVendorId, kUpsProductId);
        if (options_.device) text += " at " + *options_.device;
        Fail(ec::kNoUnit, text);
    }
    ExpectConnected("reading the unit");
    // As at the window's start: a unit that names no model has not really answered.
    if (reading.outcome == ReadOutcome::NoModelCode)
        Fail(ec::kCommunicationLost, "the unit answered without a model code (0)");
    if (reading.outcome != ReadOutcome::Complete)
        Fail(ec::kCommunicationLost, "communication lost");
}

void Command::LockUnit(const HidInterface& unit) {
    const LockPlace place = UnitLock::PlaceOf(unit, env_.lockFolder);
    const int waitMs = options_.waitSeconds.value_or(0) * 1000;
    LockAttempt attempt = unitLock_.Take(place);
    for (int waited = 0; attempt.Held() && waited < waitMs; waited += kLockRetryMs) {
        if (env_.stderrIsTerminal) {
            env_.err << "\rWaiting for the unit, in use by " << HolderText(attempt.holder) << "... "
                     << waited / 1000 << " s " << std::flush;
            progressShown_ = true;
        }
        env_.pauser(std::min(kLockRetryMs, waitMs - waited));
        attempt = unitLock_.Take(place);
    }
    EndProgress();
    if (attempt.Held())
        Fail(ec::kNotOpened,
             "the unit is in use by " + HolderText(attempt.holder) +
                 (waitMs > 0 ? ", still after " + std::to_string(waitMs / 1000) + " s"
                             : std::string()) +
                 "; nothing was sent to it" +
                 (waitMs > 0 ? std::string() : " (--wait SECONDS waits for it)"));
    if (!attempt.Taken())
        Fail(ec::kFailed,
             "the unit's lock could not be taken: " + attempt.reason + "; nothing was sent to it");
}

void Command::ExpectConnected(const std::string& what) {
    if (reports_->Connected()) return;
    const std::string reason = reports_->LastFailure();
    Fail(ec::kCommunicationLost,
         "communication lost while " + what + (reason.empty() ? "" : ": " + reason));
}

std::string Command::UnitName() const {
    return BackupUnitName(Model(), Serial(), simulated_ != nullptr);
}

std::optional<fs::path> Command::BackupRoot() const { return upsconfig::BackupRoot(env_.variable); }

std::vector<BackupEntry> Command::Backups() const {
    const auto root = BackupRoot();
    if (!root) return {};
    std::string error;
    std::vector<BackupEntry> entries = ListBackups(*root, &error);
    if (!error.empty()) Fail(ec::kFailed, "the backups cannot be read: " + error);
    std::erase_if(entries,
                  [this](const BackupEntry& e) { return e.simulated != options_.simulate; });
    return entries;
}

bool Command::Confirm(const std::string& question) {
    if (options_.yes) return true;
    if (!env_.stdinIsTerminal) {
        const Verb* verb = FindVerb(Word(0));
        const bool looks =
            verb && std::ranges::find(verb->options, OptionId::DryRun) != verb->options.end();
        Fail(ec::kUsage, std::string("no terminal to ask; use --yes to go ahead") +
                             (looks ? " or --dry-run to look" : ""));
    }
    env_.err << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(env_.in, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

void Command::Wait(int milliseconds) {
    if (!env_.stderrIsTerminal) {
        env_.pauser(milliseconds);
        return;
    }
    for (int left = milliseconds; left > 0; left -= 1000) {
        env_.err << "\rWaiting for the unit to take the settings... " << (left + 999) / 1000
                 << " s " << std::flush;
        env_.pauser(std::min(left, 1000));
    }
    env_.err << "\n";
}

}  // namespace upsconfig
