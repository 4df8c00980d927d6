#include "cli/Cli.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "cli/Json.h"
#include "cli/ListProbe.h"
#include "cli/SimState.h"
#include "device/Diagnosis.h"
#include "device/HidLink.h"
#include "device/InterfaceSelection.h"
#include "device/ReportLayer.h"
#include "settingsfile/Backups.h"
#include "settingsfile/SettingsFile.h"
#include "sim/SimulatedUps.h"
#include "unit/ApplyChanges.h"
#include "unit/ApplyPlan.h"
#include "unit/ModelTable.h"
#include "unit/PageValues.h"
#include "unit/Tabs.h"

#ifndef UPSCONFIG_VERSION
#define UPSCONFIG_VERSION "0"
#endif

namespace upsconfig {
namespace {

namespace fs = std::filesystem;
namespace ec = exit_code;

constexpr int kApplyWaitMs = 5000;  // the unit takes written settings in this time
constexpr int kDefaultSimModel = 3;

const char* const kHelp = R"(Usage: upsconfig-cli [OPTIONS] COMMAND [ARGUMENTS]

Configures a UPS of the family over USB, as the window does, from a terminal or a script.

Commands:
  list                         the HID interfaces with the units' ids
  probe                        why a unit is or is not reachable, and the fix
  status                       model, versions, online or standby, outlets
  show                         every setting of the model's pages: key = raw (meaning)
  export [-o FILE]             the settings as a settings file (standard output without -o)
  diff FILE                    what applying FILE would change
  diff FILE1 FILE2             how two settings files differ (no unit needed)
  apply FILE [--dry-run] [--yes]
                               writes what FILE changes, as Upload then Apply in the window
  set KEY=VALUE... [--dry-run] [--yes]
                               changes single settings; VALUE as a number or as its meaning
  history                      the backups kept before each write, newest first
  restore [N] [--dry-run] [--yes]
                               brings back backup N (1 = newest) exactly
  outlet 1|2 on|off|reboot     switches an outlet group (off and reboot ask unless --yes)
  battery-test start|stop      starts or stops a battery test
  sim online|standby|model N|reset
                               drives the simulated unit (with --simulate)

Options:
  --device PATH|SERIAL         the unit to use when there are several
  --simulate[=MODEL]           the built-in simulated unit (a fresh one of MODEL)
  --sim-state FILE             where the simulated unit keeps its state
  --json                       one JSON object on standard output
  --yes                        do not ask before writing
  --dry-run                    show what would be written, write nothing
  --help, --version

Exit codes:
  0 done (also: nothing to change)
  1 not done: declined, a file could not be read or written, other failure
  2 usage error, or no terminal to ask and no --yes
  3 no unit: no interface with the unit's ids
  4 unit found but not opened: permission denied, busy, feature length refused
  5 communication lost
  6 refused: a standby-only change while the unit is online, or a value the page does not offer
  7 verification failed: the unit holds other values than written
)";

// A command ends early with one of these; RunCli prints it and returns its code.
struct Failure {
    int code;
    std::string message;
};

[[noreturn]] void Fail(int code, std::string message) { throw Failure{code, std::move(message)}; }

const char* KindOf(int code) {
    switch (code) {
        case ec::kUsage:
            return "usage";
        case ec::kNoUnit:
            return "no_unit";
        case ec::kNotOpened:
            return "no_permission";
        case ec::kCommunicationLost:
            return "comm_lost";
        case ec::kRefused:
            return "refused";
        case ec::kVerifyFailed:
            return "verify_failed";
        default:
            return "failed";
    }
}

std::string ReportName(std::uint8_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", id);
    return text;
}

std::optional<int> ParseNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

struct Options {
    std::optional<std::string> device;
    bool simulate = false;
    std::optional<int> simulateModel;
    std::optional<std::string> simState;
    std::optional<std::string> output;
    bool json = false;
    bool yes = false;
    bool dryRun = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> words;
};

Options ParseOptions(std::span<const std::string> args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::size_t equals = arg.find('=');
        const std::string name = arg.starts_with("--") ? arg.substr(0, equals) : arg;
        const std::optional<std::string> inlineValue =
            arg.starts_with("--") && equals != std::string::npos
                ? std::optional(arg.substr(equals + 1))
                : std::nullopt;
        const auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) Fail(ec::kUsage, name + " needs a value");
            return args[++i];
        };
        const auto flag = [&](bool& target) {
            if (inlineValue) Fail(ec::kUsage, name + " takes no value");
            target = true;
        };
        if (name == "--device") {
            options.device = value();
        } else if (name == "--sim-state") {
            options.simState = value();
        } else if (name == "-o" || name == "--output") {
            options.output = value();
        } else if (name == "--simulate") {
            options.simulate = true;
            if (inlineValue) {
                options.simulateModel = ParseNumber(*inlineValue);
                if (!options.simulateModel || *options.simulateModel < 1 ||
                    *options.simulateModel > 255)
                    Fail(ec::kUsage, "--simulate=MODEL takes a model code from 1 to 255");
            }
        } else if (name == "--json") {
            flag(options.json);
        } else if (name == "--yes") {
            flag(options.yes);
        } else if (name == "--dry-run") {
            flag(options.dryRun);
        } else if (name == "--help" || name == "-h") {
            flag(options.help);
        } else if (name == "--version") {
            flag(options.version);
        } else if (arg.size() > 1 && arg.starts_with('-')) {
            Fail(ec::kUsage, "unknown option " + arg + " (see --help)");
        } else {
            options.words.push_back(arg);
        }
    }
    return options;
}

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

// The page a setting is on, for settings no page shows "no page".
std::string GroupName(const SettingMeaning& setting) {
    const std::string_view page = PageName(setting.page);
    return page.empty() ? "no page" : std::string(page);
}

Json ModelJson(int code) {
    return Json::Object().Set("code", code).Set("name", std::string(ModelTable::ModelName(code)));
}

std::string ModelText(int code) {
    const std::string_view name = ModelTable::ModelName(code);
    return std::to_string(code) + (name.empty() ? "" : " (" + std::string(name) + ")");
}

class Command {
  public:
    Command(const Options& options, CliEnvironment& env) : options_(options), env_(env) {
        json_.Set("ok", true);  // first, whatever follows
    }

    int Run();
    Json& Result() { return json_; }
    // Keeps the simulated unit's state for the next command, once, and only a state that
    // loaded (or none); the reason when it could not be kept.
    std::optional<std::string> SaveSimulated();

  private:
    const std::string& Word(std::size_t i) const { return options_.words.at(i); }
    void Arguments(std::size_t least, std::size_t most) const;
    std::ostream& Out() { return env_.out; }

    // --- The unit ------------------------------------------------------------------------
    // The simulated or the real backend; with select, only the interfaces --device names.
    void MakeBackend(bool select = true);
    fs::path SimStatePath() const;
    // Finds, opens and reads the unit as the window's Refresh does; fails with the reason.
    void Connect();
    // Fails with the backend's reason when interfaces with the ids are there but none opens.
    void CheckInterfaces();
    void EndProgress();
    int Model() const { return static_cast<int>(GetField(asRead_, FieldId::bModelCode)); }
    // The backup folder of the unit; the simulated unit's are kept apart from real units'.
    std::string UnitName() const {
        return BackupUnitName(Model(), link_->OpenedInterface().serial, simulated_ != nullptr);
    }
    // The backups of real units, or with --simulate those of the simulated unit.
    std::vector<BackupEntry> Backups() const;
    bool Online() const { return reports_->Flags().upsOn.load() != 0; }
    void ExpectConnected(const std::string& what);

    // --- Commands ------------------------------------------------------------------------
    int ListOrProbe(bool list);
    int Status();
    int Show();
    int Export();
    int Diff();
    int Apply();
    int Set();
    int History();
    int Restore();
    int Outlet();
    int BatteryTest();
    int Sim();

    // --- Changing settings ---------------------------------------------------------------
    SettingsImage ReadFile(const std::string& path, SettingsImage image) const;
    // Prints the plan, asks, keeps a backup, writes, waits, reads back and verifies.
    int Change(const ApplyPlan& plan, std::optional<int> fileModel, bool otherModel);
    void DescribePlan(const ApplyPlan& plan, int model, std::optional<int> fileModel,
                      bool otherModel);
    bool Confirm(const std::string& question);
    void Wait(int milliseconds);

    const Options& options_;
    CliEnvironment& env_;
    Json json_ = Json::Object();

    std::shared_ptr<HidBackend> backend_;
    std::shared_ptr<HidBackend> unselected_;  // under backend_ when --device selects
    std::shared_ptr<SimulatedUps> simulated_;
    fs::path simStatePath_;
    // The state as loaded ("" when there was none); unset when it did not load, or once kept.
    std::optional<std::string> simStateAsLoaded_;
    std::unique_ptr<HidLink> link_;
    std::unique_ptr<ReportLayer> reports_;
    UnitListener listener_;
    SettingsImage asRead_;
    bool interfaceFound_ = false;
    std::string devicePath_;
    int searchedMs_ = 0;
    bool progressShown_ = false;
};

void Command::Arguments(std::size_t least, std::size_t most) const {
    const std::size_t count = options_.words.size() - 1;
    if (count < least || count > most)
        Fail(ec::kUsage, "wrong number of arguments for " + Word(0) + " (see --help)");
}

fs::path Command::SimStatePath() const {
    if (options_.simState) return *options_.simState;
    std::string error;
    const auto path = DefaultSimStatePath(env_.variable("XDG_RUNTIME_DIR"), env_.variable("TMPDIR"),
                                          env_.userId, error);
    if (!path) Fail(ec::kFailed, "no place for the simulated unit's state: " + error);
    return *path;
}

void Command::MakeBackend(bool select) {
    if (options_.simulate) {
        simulated_ = std::make_shared<SimulatedUps>();
        SimulatedUnit& unit = simulated_->Unit();
        bool loaded = false;
        simStatePath_ = SimStatePath();
        try {
            loaded = LoadSimState(simStatePath_, unit);
        } catch (const std::runtime_error& error) {
            Fail(ec::kFailed, error.what());
        }
        simStateAsLoaded_ = loaded ? FormatSimState(unit) : std::string();
        if (!loaded) {
            unit.LoadImage(FactorySettings(options_.simulateModel.value_or(kDefaultSimModel)));
            unit.SetVersions(1, 1, 1);
            unit.SetOnline(false);
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
        const Reason reason = CheckInterface(*backend_, i, HostView{});
        if (reason.verdict == Verdict::Reachable) {
            devicePath_ = i.path;
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

    const bool all = reports_->ReadAllReports();
    EndProgress();
    if (!link_->Connected() && !interfaceFound_) {
        std::string text =
            "no unit: no HID interface with the ids " + IdsText(kUpsVendorId, kUpsProductId);
        if (options_.device) text += " at " + *options_.device;
        Fail(ec::kNoUnit, text);
    }
    ExpectConnected("reading the unit");
    if (!all || !reports_->ImageFromUnit()) Fail(ec::kCommunicationLost, "communication lost");
    // As at the window's start: a unit that names no model has not really answered.
    if (GetField(reports_->Image(), FieldId::bModelCode) == 0)
        Fail(ec::kCommunicationLost, "the unit answered without a model code (0)");
    reports_->ReadStatus();
    ExpectConnected("reading the unit's state");
    asRead_ = reports_->Image();
    if (devicePath_.empty())  // found by the reads' retries, after the first look
        for (const HidInterface& i : backend_->Enumerate())
            if (i.vendorId == kUpsVendorId && i.productId == kUpsProductId) devicePath_ = i.path;
    json_.Set("device", devicePath_);
}

void Command::ExpectConnected(const std::string& what) {
    if (link_->Connected()) return;
    const std::string reason = link_->LastFailure();
    Fail(ec::kCommunicationLost,
         "communication lost while " + what + (reason.empty() ? "" : ": " + reason));
}

int Command::Run() {
    if (options_.words.empty()) Fail(ec::kUsage, "no command given (see --help)");
    const std::string& command = Word(0);
    if (command == "list" || command == "probe") return ListOrProbe(command == "list");
    if (command == "status") return Status();
    if (command == "show") return Show();
    if (command == "export") return Export();
    if (command == "diff") return Diff();
    if (command == "apply") return Apply();
    if (command == "set") return Set();
    if (command == "history") return History();
    if (command == "restore") return Restore();
    if (command == "outlet") return Outlet();
    if (command == "battery-test") return BatteryTest();
    if (command == "sim") return Sim();
    Fail(ec::kUsage, "unknown command " + command + " (see --help)");
}

// --- Reading -----------------------------------------------------------------------------

// They look at every interface themselves, so --device is theirs to apply (by path or serial).
int Command::ListOrProbe(bool list) {
    Arguments(0, 0);
    MakeBackend(false);
    ProbeOptions probe;
    probe.device = options_.device.value_or("");
    probe.json = options_.json;
    probe.pauser = env_.pauser;
    const ProbeOutcome outcome =
        list ? RunList(*backend_, probe, json_, Out()) : RunProbe(*backend_, probe, json_, Out());
    if (outcome.exitCode != ec::kDone) Fail(outcome.exitCode, outcome.message);
    return ec::kDone;
}

int Command::Status() {
    Arguments(0, 0);
    Connect();
    const int model = Model();
    const UpsFlags& flags = reports_->Flags();
    const bool outlet1 = flags.outlet1On.load() != 0;
    const bool outlet2 = flags.outlet2On.load() != 0;
    const auto& v = listener_.versions;
    json_.Set("model", ModelJson(model))
        .Set("versions", Json::Object()
                             .Set("hardware", v[0])
                             .Set("power_firmware", v[1])
                             .Set("monitor_firmware", v[2]))
        .Set("online", Online())
        .Set("outlets", Json::Object().Set("1", outlet1).Set("2", outlet2))
        .Set("uptime_seconds",
             listener_.uptime ? Json(static_cast<long long>(*listener_.uptime)) : Json());
    if (options_.json) return ec::kDone;
    Out() << "Model:    " << ModelText(model) << "\n"
          << "Versions: hardware " << v[0] << ", power firmware " << v[1] << ", monitor firmware "
          << v[2] << "\n"
          << "State:    " << (Online() ? "online" : "standby") << "\n"
          << "Outlet 1: " << (outlet1 ? "on" : "off") << "\n"
          << "Outlet 2: " << (outlet2 ? "on" : "off") << "\n";
    if (listener_.uptime) Out() << "Up for:   " << *listener_.uptime << " s\n";
    return ec::kDone;
}

int Command::Show() {
    Arguments(0, 0);
    Connect();
    const int model = Model();
    Json groups = Json::Array();
    if (!options_.json) Out() << "Model " << ModelText(model) << "\n";
    for (const EditedOn page : TabsOf(model, false)) {
        Json settings = Json::Array();
        if (!options_.json) Out() << "\n[" << PageName(page) << "]\n";
        for (const SettingMeaning& setting : SettingMeanings()) {
            if (setting.page != page) continue;
            const unsigned raw = ValueOf(asRead_, setting);
            const std::string meaning = ValueText(setting, raw, model);
            settings.Push(Json::Object()
                              .Set("key", SettingKey(setting))
                              .Set("raw", raw)
                              .Set("meaning", meaning)
                              .Set("standby_only", setting.standbyOnly));
            if (!options_.json)
                Out() << SettingKey(setting) << " = " << raw << " (" << meaning << ")"
                      << (setting.standbyOnly ? "  [standby only]" : "") << "\n";
        }
        groups.Push(Json::Object()
                        .Set("name", std::string(PageName(page)))
                        .Set("settings", std::move(settings)));
    }
    json_.Set("model", ModelJson(model)).Set("groups", std::move(groups));
    return ec::kDone;
}

int Command::Export() {
    Arguments(0, 0);
    Connect();
    // What Download saves: the pages loaded with the unit's settings, stored again.
    const SettingsImage image = PageStore(asRead_, asRead_);
    if (!options_.output) {
        const std::string text = FormatSettingsFile(image, env_.clock());
        if (options_.json) {
            json_.Set("settings_file", text);
        } else {
            Out() << text;
        }
        return ec::kDone;
    }
    const WriteResult result = WriteSettingsFile(*options_.output, image, env_.clock);
    if (!result) Fail(ec::kFailed, *options_.output + " could not be written: " + result.reason);
    return ec::kDone;
}

// --- Changing ------------------------------------------------------------------------------

SettingsImage Command::ReadFile(const std::string& path, SettingsImage image) const {
    const ReadResult result = ReadSettingsFile(path, image);
    if (!result.opened) Fail(ec::kFailed, path + " could not be read: " + result.reason);
    if (result.keysFound == 0) Fail(ec::kFailed, path + " holds no settings");
    return image;
}

// The model of a backup, which names it beside the file; other files name none.
std::optional<int> ModelOfFile(const std::string& path, const std::optional<fs::path>& root) {
    if (!root) return std::nullopt;
    std::error_code error;
    const fs::path file = fs::weakly_canonical(path, error);
    for (const BackupEntry& entry : ListBackups(*root)) {
        if (fs::weakly_canonical(entry.file, error) == file && entry.modelCode != 0)
            return entry.modelCode;
    }
    return std::nullopt;
}

std::optional<fs::path> BackupRootOf(const CliEnvironment& env) {
    const auto data = env.variable("XDG_DATA_HOME");
    const auto home = env.variable("HOME");
    return BackupRoot(data ? data->c_str() : nullptr, home ? home->c_str() : nullptr);
}

Json ChangesJson(const ApplyPlan& plan, int model) {
    Json changes = Json::Array();
    for (const SettingChange& c : plan.changes)
        changes.Push(Json::Object()
                         .Set("key", SettingKey(*c.setting))
                         .Set("group", GroupName(*c.setting))
                         .Set("old", c.from)
                         .Set("new", c.to)
                         .Set("old_meaning", ValueText(*c.setting, c.from, model))
                         .Set("new_meaning", ValueText(*c.setting, c.to, model))
                         .Set("standby_only", c.setting->standbyOnly));
    return changes;
}

void Command::DescribePlan(const ApplyPlan& plan, int model, std::optional<int> fileModel,
                           bool otherModel) {
    Json ignored = Json::Array();
    for (const IgnoredValue& i : plan.ignored)
        ignored.Push(Json::Object()
                         .Set("key", SettingKey(*i.setting))
                         .Set("value", i.value)
                         .Set("reason", i.reason));
    json_.Set("model", ModelJson(model))
        .Set("file_model", fileModel ? ModelJson(*fileModel) : Json())
        .Set("other_model", otherModel)
        .Set("online", reports_ ? Json(Online()) : Json())
        .Set("changes", ChangesJson(plan, model))
        .Set("ignored", std::move(ignored))
        .Set("dry_run", options_.dryRun)
        .Set("written", false)
        .Set("reports", Json::Array())
        .Set("verified", Json())
        .Set("mismatches", Json::Array())
        .Set("backup", Json());
    if (options_.json) return;
    if (otherModel)
        Out() << "The file comes from another model"
              << (fileModel ? " (" + ModelText(*fileModel) + ")" : std::string()) << ".\n";
    if (plan.changes.empty()) Out() << "Nothing to change.\n";
    for (const SettingChange& c : plan.changes)
        Out() << "  [" << GroupName(*c.setting) << "] " << SettingKey(*c.setting) << ": " << c.from
              << " (" << ValueText(*c.setting, c.from, model) << ") -> " << c.to << " ("
              << ValueText(*c.setting, c.to, model) << ")"
              << (c.setting->standbyOnly ? "  [needs standby]" : "") << "\n";
    if (!plan.ignored.empty()) Out() << "Not applied:\n";
    for (const IgnoredValue& i : plan.ignored)
        Out() << "  " << SettingKey(*i.setting) << " = " << i.value << ": " << i.reason << "\n";
}

bool Command::Confirm(const std::string& question) {
    if (options_.yes) return true;
    if (!env_.stdinIsTerminal)
        Fail(ec::kUsage, "no terminal to ask; use --yes to go ahead or --dry-run to look");
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

int Command::Change(const ApplyPlan& plan, std::optional<int> fileModel, bool otherModel) {
    const int model = Model();
    DescribePlan(plan, model, fileModel, otherModel);
    if (plan.changes.empty()) return ec::kDone;
    if (plan.NeedsStandby() && Online())
        Fail(ec::kRefused,
             "refused: a change marked [needs standby] while the UPS is online; switch it to "
             "standby and try again. Nothing was written.");
    if (options_.dryRun) {
        Json reports = Json::Array();
        for (const std::uint8_t id : ReportLayer::ReportsToWrite(plan.write, asRead_))
            reports.Push(ReportName(id));
        json_.Set("reports", std::move(reports));
        return ec::kDone;
    }
    if (!Confirm("Apply these changes?")) Fail(ec::kFailed, "nothing was written");

    // No setting is ever lost: the unit's settings as read are kept before the first byte.
    const auto root = BackupRootOf(env_);
    if (!root)
        Fail(ec::kFailed,
             "no folder for the backup (neither XDG_DATA_HOME nor HOME is an absolute path). "
             "Nothing was written.");
    const std::string unit = UnitName();
    fs::path backup;
    const WriteResult kept =
        SaveBackup(*root, unit, asRead_, plan.ChangedKeys(), env_.clock, &backup);
    if (!kept)
        Fail(ec::kFailed, "the settings could not be kept as a backup in " +
                              (*root / unit).string() + ": " + kept.reason +
                              ". Nothing was written.");
    json_.Set("backup", backup.string());

    const WriteOutcome outcome = reports_->WriteReports(plan.write, asRead_);
    Json reports = Json::Array();
    for (const protocol::SettingsReport& report : protocol::kSettingsReports)
        if (outcome.writtenBytes[*protocol::ImageOffset(report.id)])
            reports.Push(ReportName(report.id));
    json_.Set("written", outcome.writtenBytes.any()).Set("reports", std::move(reports));
    if (!outcome.allWritten || !link_->Connected())
        Fail(ec::kCommunicationLost,
             "communication lost while writing: " + link_->LastFailure() +
                 ". The settings before the write are in the backup (upsconfig-cli restore).");

    Wait(kApplyWaitMs);
    const bool readBack = reports_->ReadAllReports();
    if (!readBack || !link_->Connected())
        Fail(ec::kCommunicationLost,
             "the settings were sent, but could not be read back to check them");
    const std::vector<UnheldSetting> unheld =
        FindUnheldSettings(plan.write, reports_->Image(), outcome.writtenBytes);
    json_.Set("verified", unheld.empty());
    if (unheld.empty()) {
        if (!options_.json) Out() << "Written and verified.\n";
        return ec::kDone;
    }
    Json mismatches = Json::Array();
    std::string text = "the unit does not hold these settings as written:";
    for (const UnheldSetting& u : unheld) {
        mismatches.Push(Json::Object()
                            .Set("key", SettingKey(*u.setting))
                            .Set("expected", u.written)
                            .Set("actual", u.held));
        text += "\n  " + SettingKey(*u.setting) + " (" + DescribeUnheld(u, model) + ")";
    }
    json_.Set("mismatches", std::move(mismatches));
    Fail(ec::kVerifyFailed, text);
}

int Command::Diff() {
    Arguments(1, 2);
    const auto root = BackupRootOf(env_);
    if (options_.words.size() == 3) {
        // Two files, no unit: every setting that differs, as the files hold it.
        json_.Set("device", Json());
        const std::optional<int> model = ModelOfFile(Word(1), root);
        SettingsImage first;
        SetField(first, FieldId::bModelCode, static_cast<unsigned>(model.value_or(0)));
        first = ReadFile(Word(1), first);
        const SettingsImage second = ReadFile(Word(2), first);
        const std::optional<int> secondModel = ModelOfFile(Word(2), root);
        DescribePlan(PlanExact(first, second), model.value_or(0), secondModel,
                     model && secondModel && model != secondModel);
        return ec::kDone;
    }
    Connect();
    const SettingsImage wanted = ReadFile(Word(1), asRead_);
    const std::optional<int> fileModel = ModelOfFile(Word(1), root);
    // A file names no model; a voltage this model does not offer is the sign of another one.
    const bool otherModel =
        (fileModel && *fileModel != Model()) ||
        !ModelTable::PositionOfCode(ModelTable::GroupOf(Model()),
                                    static_cast<int>(GetField(wanted, FieldId::bOutputLevel)));
    DescribePlan(PlanWanted(asRead_, wanted), Model(), fileModel, otherModel);
    return ec::kDone;
}

int Command::Apply() {
    Arguments(1, 1);
    Connect();
    const SettingsImage wanted = ReadFile(Word(1), asRead_);
    const std::optional<int> fileModel = ModelOfFile(Word(1), BackupRootOf(env_));
    return Change(PlanWanted(asRead_, wanted), fileModel, fileModel && *fileModel != Model());
}

int Command::Set() {
    if (options_.words.size() < 2) Fail(ec::kUsage, "set needs KEY=VALUE (see --help)");
    struct Wanted {
        const SettingMeaning* setting;
        std::string text;
    };
    std::vector<Wanted> wanted;
    for (std::size_t i = 1; i < options_.words.size(); ++i) {
        const std::string& word = Word(i);
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos) Fail(ec::kUsage, word + ": not KEY=VALUE");
        const SettingMeaning* setting = FindSetting(word.substr(0, equals));
        if (setting == nullptr) Fail(ec::kUsage, "unknown key " + word.substr(0, equals));
        wanted.push_back({setting, word.substr(equals + 1)});
    }
    Connect();
    const int model = Model();
    SettingsImage image = asRead_;
    for (const Wanted& w : wanted) {
        const std::string key = SettingKey(*w.setting);
        if (!ApplicableFields(model)[static_cast<std::size_t>(w.setting->field)])
            Fail(ec::kRefused, key + ": no page of this model edits it");
        const std::optional<unsigned> value = ParseSettingValue(*w.setting, w.text, model);
        if (!value || !PageAccepts(*w.setting, *value, image) ||
            PageStoredValue(*w.setting, *value) != *value)
            Fail(ec::kRefused, key + "=" + w.text + ": " + PageRangeText(*w.setting, image));
        SetValue(image, *w.setting, *value);
    }
    const ApplyPlan plan = PlanWanted(asRead_, image);
    // Asked for by name, a value the window would not write is refused, not passed over.
    if (!plan.ignored.empty()) {
        DescribePlan(plan, model, std::nullopt, false);
        const IgnoredValue& first = plan.ignored.front();
        Fail(ec::kRefused, SettingKey(*first.setting) + ": " + first.reason);
    }
    return Change(plan, std::nullopt, false);
}

std::vector<BackupEntry> Command::Backups() const {
    const auto root = BackupRootOf(env_);
    if (!root) return {};
    std::string error;
    std::vector<BackupEntry> entries = ListBackups(*root, &error);
    if (!error.empty()) Fail(ec::kFailed, "the backups cannot be read: " + error);
    std::erase_if(entries,
                  [this](const BackupEntry& e) { return e.simulated != options_.simulate; });
    return entries;
}

int Command::History() {
    Arguments(0, 0);
    const std::vector<BackupEntry> entries = Backups();
    Json backups = Json::Array();
    int number = 0;
    for (const BackupEntry& e : entries) {
        backups.Push(Json::Object()
                         .Set("number", ++number)
                         .Set("time", e.time)
                         .Set("unit", e.unit)
                         .Set("changed", e.changed)
                         .Set("file", e.file.string()));
        if (!options_.json)
            Out() << number << "  " << e.time << "  " << e.unit << "  "
                  << (e.changed.empty() ? "-" : e.changed) << "\n";
    }
    if (entries.empty() && !options_.json) Out() << "No backups yet.\n";
    json_.Set("backups", std::move(backups));
    return ec::kDone;
}

int Command::Restore() {
    Arguments(0, 1);
    const std::optional<int> number = options_.words.size() == 2 ? ParseNumber(Word(1)) : 1;
    if (!number || *number < 1) Fail(ec::kUsage, "restore takes a backup number from history");
    const std::vector<BackupEntry> entries = Backups();
    if (static_cast<std::size_t>(*number) > entries.size())
        Fail(ec::kFailed, "there is no backup " + std::to_string(*number) + " (see history)");
    const BackupEntry& entry = entries[static_cast<std::size_t>(*number - 1)];
    Connect();
    if (entry.unit != UnitName())
        Fail(ec::kFailed, "backup " + std::to_string(*number) + " is of " + entry.unit +
                              ", not of this unit (" + UnitName() + ")");
    const SettingsImage wanted = ReadFile(entry.file.string(), asRead_);
    return Change(PlanExact(asRead_, wanted), entry.modelCode, false);
}

int Command::Outlet() {
    Arguments(2, 2);
    const std::optional<int> outlet = ParseNumber(Word(1));
    const std::string& action = Word(2);
    if (!outlet || (*outlet != 1 && *outlet != 2) ||
        (action != "on" && action != "off" && action != "reboot"))
        Fail(ec::kUsage, "outlet takes 1 or 2 and on, off or reboot");
    Connect();
    // The window has outlet buttons only on the outlet pages of models that have them.
    if (!ModelTable::HasOutletTabs(Model()))
        Fail(ec::kRefused, "this model has no outlet groups to switch");
    if (action != "on" &&
        !Confirm("Turn outlet " + Word(1) + (action == "off" ? " off?" : " off and on again?")))
        Fail(ec::kFailed, "nothing was sent");
    if (action == "on") reports_->TurnOutletOn(*outlet);
    if (action == "off") reports_->TurnOutletOff(*outlet);
    if (action == "reboot") reports_->RebootOutlet(*outlet);
    ExpectConnected("sending the command");
    return ec::kDone;
}

int Command::BatteryTest() {
    Arguments(1, 1);
    if (Word(1) != "start" && Word(1) != "stop")
        Fail(ec::kUsage, "battery-test takes start or stop");
    Connect();
    if (Word(1) == "start") {
        reports_->StartBatteryTest();
    } else {
        reports_->TerminateBatteryTest();
    }
    ExpectConnected("sending the command");
    return ec::kDone;
}

int Command::Sim() {
    if (!options_.simulate) Fail(ec::kUsage, "sim drives the simulated unit: add --simulate");
    Arguments(1, 2);
    const std::string& what = Word(1);
    if (what == "reset") {
        Arguments(1, 1);
        std::string error;
        if (!RemoveSimState(SimStatePath(), error))
            Fail(ec::kFailed, SimStatePath().string() + ": " + error);
        return ec::kDone;
    }
    MakeBackend();
    SimulatedUnit& unit = simulated_->Unit();
    if (what == "online" || what == "standby") {
        Arguments(1, 1);
        unit.SetOnline(what == "online");
    } else if (what == "model") {
        Arguments(2, 2);
        const std::optional<int> model = ParseNumber(Word(2));
        if (!model || *model < 0 || *model > 255) Fail(ec::kUsage, "sim model takes 0 to 255");
        unit.SetModelCode(static_cast<std::uint8_t>(*model));
    } else {
        Fail(ec::kUsage, "sim takes online, standby, model N or reset");
    }
    return ec::kDone;
}

}  // namespace

int RunCli(std::span<const std::string> args, CliEnvironment& env) {
    bool json = std::ranges::find(args, std::string("--json")) != args.end();
    std::optional<Command> command;
    Options options;
    try {
        options = ParseOptions(args);
        json = options.json;
        if (options.help) {
            env.out << kHelp;
            return ec::kDone;
        }
        if (options.version) {
            env.out << "upsconfig-cli " << UPSCONFIG_VERSION << " (unit ids "
                    << IdsText(kUpsVendorId, kUpsProductId) << ")\n";
            return ec::kDone;
        }
        command.emplace(options, env);
        const int code = command->Run();
        if (const auto lost = command->SaveSimulated())
            Fail(ec::kFailed, *lost +
                                  ". The command itself was carried out on the simulated unit; "
                                  "the next command will find the unit as it was before.");
        if (json) env.out << command->Result().Set("ok", true).Dump();
        return code;
    } catch (const Failure& failure) {
        env.err << "upsconfig-cli: " << failure.message << "\n";
        if (const auto lost = command ? command->SaveSimulated() : std::nullopt)
            env.err << "upsconfig-cli: " << *lost << "\n";
        if (json) {
            Json result = command ? command->Result() : Json::Object();
            result.Set("ok", false)
                .Set("error", Json::Object()
                                  .Set("exit_code", failure.code)
                                  .Set("kind", KindOf(failure.code))
                                  .Set("message", failure.message));
            env.out << result.Dump();
        }
        return failure.code;
    }
}

}  // namespace upsconfig
