// The verbs that compare or change settings: diff, apply, set, history, restore.
#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

#include "cli/Command.h"
#include "cli/ExitCodes.h"
#include "cli/ModelText.h"
#include "cli/Verbs.h"
#include "device/Protocol.h"
#include "session/WriteSession.h"
#include "settingsfile/Backups.h"
#include "settingsfile/SettingsFile.h"
#include "unit/ApplyPlan.h"
#include "unit/ModelTable.h"
#include "unit/OfferedValues.h"
#include "unit/PageValues.h"
#include "unit/Tabs.h"

namespace upsconfig {
namespace {

namespace ec = exit_code;
namespace fs = std::filesystem;

std::string ReportName(std::uint8_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", id);
    return text;
}

Json ReportNames(const std::vector<std::uint8_t>& ids) {
    Json names = Json::array();
    for (const std::uint8_t id : ids)
        names.push_back(ReportName(id));
    return names;
}

// A plan as the person and the script see it before anything is written.
struct PlanReport {
    const ApplyPlan& plan;
    int model;
    std::optional<int> fileModel;
    bool otherModel;
    std::optional<bool> online;  // nullopt without a unit
    bool dryRun;

    void Text(std::ostream& out) const {
        if (otherModel)
            out << "The file comes from another model"
                << (fileModel ? " (" + ModelText(*fileModel) + ")" : std::string()) << ".\n";
        if (plan.changes.empty()) out << "Nothing to change.\n";
        for (const SettingChange& c : plan.changes)
            out << "  [" << GroupName(*c.setting) << "] " << SettingKey(*c.setting) << ": "
                << c.from << " (" << ValueText(*c.setting, c.from, model) << ") -> " << c.to << " ("
                << ValueText(*c.setting, c.to, model) << ")"
                << (c.setting->standbyOnly ? "  [needs standby]" : "") << "\n";
        if (!plan.ignored.empty()) out << "Not applied:\n";
        for (const IgnoredValue& i : plan.ignored)
            out << "  " << SettingKey(*i.setting) << " = " << i.value << ": " << i.reason << "\n";
    }

    void ToJson(Json& json) const {
        Json changes = Json::array();
        for (const SettingChange& c : plan.changes)
            changes.push_back({{"key", SettingKey(*c.setting)},
                               {"group", GroupName(*c.setting)},
                               {"old", c.from},
                               {"new", c.to},
                               {"old_meaning", ValueText(*c.setting, c.from, model)},
                               {"new_meaning", ValueText(*c.setting, c.to, model)},
                               {"standby_only", c.setting->standbyOnly}});
        Json ignored = Json::array();
        for (const IgnoredValue& i : plan.ignored)
            ignored.push_back(
                {{"key", SettingKey(*i.setting)}, {"value", i.value}, {"reason", i.reason}});
        json["model"] = ModelJson(model);
        json["file_model"] = fileModel ? ModelJson(*fileModel) : Json();
        json["other_model"] = otherModel;
        json["online"] = online ? Json(*online) : Json();
        json["changes"] = std::move(changes);
        json["ignored"] = std::move(ignored);
        json["dry_run"] = dryRun;
        json["written"] = false;
        json["reports"] = Json::array();
        json["verified"] = Json();
        json["mismatches"] = Json::array();
        json["backup"] = Json();
    }
};

// What the write session did, in the keys the plan's report left open.
void WrittenJson(const WriteSessionResult& result, Json& json) {
    json["written"] = result.Written();
    json["reports"] = ReportNames(result.reports);
    json["backup"] = result.backup.empty() ? Json() : Json(result.backup.string());
    if (result.end != WriteEnd::ReadBack) return;
    Json mismatches = Json::array();
    for (const UnheldSetting& u : result.unheld)
        mismatches.push_back(
            {{"key", SettingKey(*u.setting)}, {"expected", u.written}, {"actual", u.held}});
    json["verified"] = result.unheld.empty();
    json["mismatches"] = std::move(mismatches);
}

// The session's end as the exit code and the message.
void FailUnlessVerified(const WriteSessionResult& result, int model) {
    switch (result.end) {
        case WriteEnd::NothingToWrite:
            return;
        case WriteEnd::BackupFailed:
            Fail(ec::kFailed,
                 "the settings could not be kept as a backup" +
                     (result.backupFolder.empty() ? "" : " in " + result.backupFolder) + ": " +
                     result.backupFailure + ". Nothing was written.");
        case WriteEnd::CommunicationLost:
            Fail(ec::kCommunicationLost,
                 "communication lost while writing: " + result.linkFailure +
                     ". The settings before the write are in the backup (upsconfig-cli "
                     "restore).");
        case WriteEnd::NotReadBack:
            Fail(ec::kCommunicationLost,
                 "the settings were sent, but could not be read back to check them");
        case WriteEnd::ReadBack:
            break;
    }
    if (result.unheld.empty()) return;
    std::string text = "the unit does not hold these settings as written:";
    for (const UnheldSetting& u : result.unheld)
        text += "\n  " + SettingKey(*u.setting) + " (" + DescribeUnheld(u, model) + ")";
    Fail(ec::kVerifyFailed, text);
}

void ShowPlan(Command& command, const PlanReport& report) {
    report.ToJson(command.Result());
    if (!command.JsonOutput()) report.Text(command.Out());
}

// Shows the plan, asks, and hands it to the write session: backup, write, wait, read-back and
// verification.
int Change(Command& command, const ApplyPlan& plan, std::optional<int> fileModel, bool otherModel) {
    const int model = command.Model();
    const bool dryRun = command.Opts().dryRun;
    ShowPlan(command, {plan, model, fileModel, otherModel, command.Online(), dryRun});
    if (plan.changes.empty()) return ec::kDone;
    if (plan.NeedsStandby() && command.Online())
        Fail(ec::kRefused,
             "refused: a change marked [needs standby] while the UPS is online; switch it to "
             "standby and try again. Nothing was written.");
    if (dryRun) {
        command.Result()["reports"] =
            ReportNames(ReportLayer::ReportsToWrite(plan.write, command.AsRead()));
        if (!command.JsonOutput()) command.Out() << "Dry run: nothing was written.\n";
        return ec::kDone;
    }
    if (!command.Confirm("Apply these changes?")) Fail(ec::kFailed, "nothing was written");

    WriteSession session(command.Reports(),
                         {command.BackupRoot(), command.UnitName(), command.Env().clock},
                         [&command](int ms) { command.Wait(ms); });
    const WriteSessionResult result = session.Run(command.AsRead(), plan);
    WrittenJson(result, command.Result());
    FailUnlessVerified(result, model);
    if (!command.JsonOutput())
        command.Out() << (plan.ignored.empty()
                              ? "Written and verified.\n"
                              : "Written and verified; what is under \"Not applied\" was not.\n");
    return ec::kDone;
}

SettingsImage ReadFile(const std::string& path, SettingsImage image) {
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

// With --exit-code a script learns from the status alone whether anything would change.
int DiffExit(const Command& command, const ApplyPlan& plan) {
    return command.Opts().exitCode && !plan.changes.empty() ? ec::kDiffers : ec::kDone;
}

// What a value refused takes instead, in the unit the page shows; a number where the page
// offers words or coded items may have been meant as a raw code.
std::string Refusal(const SettingMeaning& setting, const std::string& text,
                    const SettingsImage& image) {
    const bool numbers = OfferedValues(setting, image).range.has_value();
    return "it takes " + OfferedText(setting, image) +
           (ParseNumber(text) && !numbers ? " (a raw code is written raw:" + text + ")" : "");
}

// Two files, no unit: every setting that differs, as the files hold it.
int DiffFiles(Command& command) {
    command.Result()["device"] = Json();
    const auto root = command.BackupRoot();
    const std::optional<int> model = ModelOfFile(command.Word(1), root);
    SettingsImage first;
    SetField(first, FieldId::bModelCode, static_cast<unsigned>(model.value_or(0)));
    first = ReadFile(command.Word(1), first);
    const SettingsImage second = ReadFile(command.Word(2), first);
    const std::optional<int> secondModel = ModelOfFile(command.Word(2), root);
    const ApplyPlan plan = PlanExact(first, second);
    ShowPlan(command,
             {plan, model.value_or(0), secondModel, model && secondModel && model != secondModel,
              std::nullopt, command.Opts().dryRun});
    return DiffExit(command, plan);
}

}  // namespace

namespace verbs {

int Diff(Command& command) {
    if (command.Words() == 3) return DiffFiles(command);
    command.Connect();
    const SettingsImage wanted = ReadFile(command.Word(1), command.AsRead());
    const std::optional<int> fileModel = ModelOfFile(command.Word(1), command.BackupRoot());
    const int model = command.Model();
    // A file names no model; a voltage this model does not offer is the sign of another one.
    const bool otherModel =
        (fileModel && *fileModel != model) ||
        !ModelTable::PositionOfCode(ModelTable::GroupOf(model),
                                    static_cast<int>(GetField(wanted, FieldId::bOutputLevel)));
    const ApplyPlan plan = PlanWanted(command.AsRead(), wanted);
    ShowPlan(command,
             {plan, model, fileModel, otherModel, command.Online(), command.Opts().dryRun});
    return DiffExit(command, plan);
}

int Apply(Command& command) {
    const SettingsImage wanted = ReadFile(command.Word(1), command.AsRead());
    const std::optional<int> fileModel = ModelOfFile(command.Word(1), command.BackupRoot());
    return Change(command, PlanWanted(command.AsRead(), wanted), fileModel,
                  fileModel && *fileModel != command.Model());
}

int Set(Command& command) {
    const int model = command.Model();
    SettingsImage image = command.AsRead();
    for (std::size_t i = 1; i < command.Words(); ++i) {
        const std::string& word = command.Word(i);
        const std::size_t equals = word.find('=');
        const SettingMeaning& setting = *FindSetting(word.substr(0, equals));
        const std::string key = SettingKey(setting);
        const std::string text = word.substr(equals + 1);
        if (const auto why = NotOnThePages(setting, model))
            Fail(ec::kRefused, key + ": no page of this model edits it (" + *why + ")");
        const std::optional<unsigned> value = ReadSettingValue(setting, text, image);
        if (!value || !PageAccepts(setting, *value, image) ||
            PageStoredValue(setting, *value) != *value)
            Fail(ec::kRefused, key + "=" + text + ": " + Refusal(setting, text, image));
        SetValue(image, setting, *value);
    }
    const ApplyPlan plan = PlanWanted(command.AsRead(), image);
    // Asked for by name, a value the window would not write is refused, not passed over; one
    // the unit does not take is refused when nothing else is left to write.
    for (const IgnoredValue& ignored : plan.ignored) {
        if (ignored.by == IgnoredBy::Unit && !plan.changes.empty()) continue;
        ShowPlan(command,
                 {plan, model, std::nullopt, false, command.Online(), command.Opts().dryRun});
        Fail(ec::kRefused,
             SettingKey(*ignored.setting) + ": " + ignored.reason + ". Nothing was written.");
    }
    return Change(command, plan, std::nullopt, false);
}

int History(Command& command) {
    const std::vector<BackupEntry> entries = command.Backups();
    Json backups = Json::array();
    int number = 0;
    for (const BackupEntry& e : entries) {
        backups.push_back({{"number", ++number},
                           {"time", e.time},
                           {"unit", e.unit},
                           {"changed", e.changed},
                           {"file", e.file.string()}});
        if (!command.JsonOutput())
            command.Out() << number << "  " << e.time << "  " << e.unit << "  "
                          << (e.changed.empty() ? "-" : e.changed) << "\n";
    }
    if (entries.empty() && !command.JsonOutput()) command.Out() << "No backups yet.\n";
    command.Result()["backups"] = std::move(backups);
    return ec::kDone;
}

int Restore(Command& command) {
    const std::optional<int> number = command.Words() == 2 ? ParseNumber(command.Word(1)) : 1;
    if (!number || *number < 1) Fail(ec::kUsage, "restore takes a backup number from history");
    const std::vector<BackupEntry> entries = command.Backups();
    if (static_cast<std::size_t>(*number) > entries.size())
        Fail(ec::kFailed, "there is no backup " + std::to_string(*number) + " (see history)");
    const BackupEntry& entry = entries[static_cast<std::size_t>(*number - 1)];
    command.Connect();
    if (entry.unit != command.UnitName())
        Fail(ec::kFailed, "backup " + std::to_string(*number) + " is of " + entry.unit +
                              ", not of this unit (" + command.UnitName() + ")");
    const SettingsImage wanted = ReadFile(entry.file.string(), command.AsRead());
    return Change(command, PlanExact(command.AsRead(), wanted), entry.modelCode, false);
}

}  // namespace verbs
}  // namespace upsconfig
