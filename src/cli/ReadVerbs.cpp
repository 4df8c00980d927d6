// The verbs that only read: list, probe, status, show, export.
#include <ostream>
#include <vector>

#include "cli/Command.h"
#include "cli/ExitCodes.h"
#include "cli/ListProbe.h"
#include "cli/ModelText.h"
#include "cli/Verbs.h"
#include "settingsfile/SettingsFile.h"
#include "unit/ApplyPlan.h"
#include "unit/ModelTable.h"
#include "unit/PageValues.h"
#include "unit/Tabs.h"

namespace upsconfig {

std::string ModelText(int code) {
    const std::string_view name = ModelTable::ModelName(code);
    return std::to_string(code) + (name.empty() ? "" : " (" + std::string(name) + ")");
}

Json ModelJson(int code) {
    return {{"code", code}, {"name", std::string(ModelTable::ModelName(code))}};
}

std::string GroupName(const SettingMeaning& setting) {
    const std::string_view page = PageName(setting.page);
    return page.empty() ? "no page" : std::string(page);
}

namespace {

namespace ec = exit_code;

// They look at every interface themselves, so --device is theirs to apply (by path or serial).
int ListOrProbe(Command& command, bool list) {
    command.MakeBackend(false);
    ProbeOptions probe;
    probe.device = command.Opts().device.value_or("");
    probe.json = command.JsonOutput();
    probe.host = command.Env().host;
    probe.pauser = command.Env().pauser;
    const ProbeOutcome outcome =
        list ? RunList(command.Backend(), probe, command.Result(), command.Out())
             : RunProbe(command.Backend(), probe, command.Result(), command.Out());
    if (outcome.exitCode != ec::kDone) Fail(outcome.exitCode, outcome.message);
    return ec::kDone;
}

struct StatusResult {
    int model = 0;
    std::array<int, 3> versions{};
    bool online = false;
    bool outlet1 = false;
    bool outlet2 = false;
    std::optional<std::int32_t> uptime;

    void Text(std::ostream& out) const {
        out << "Model:    " << ModelText(model) << "\n"
            << "Versions: hardware " << versions[0] << ", power firmware " << versions[1]
            << ", monitor firmware " << versions[2] << "\n"
            << "State:    " << (online ? "online" : "standby") << "\n"
            << "Outlet 1: " << (outlet1 ? "on" : "off") << "\n"
            << "Outlet 2: " << (outlet2 ? "on" : "off") << "\n";
        if (uptime) out << "Up for:   " << *uptime << " s\n";
    }
    void ToJson(Json& json) const {
        json["model"] = ModelJson(model);
        json["versions"] = {{"hardware", versions[0]},
                            {"power_firmware", versions[1]},
                            {"monitor_firmware", versions[2]}};
        json["online"] = online;
        json["outlets"] = {{"1", outlet1}, {"2", outlet2}};
        json["uptime_seconds"] = uptime ? Json(*uptime) : Json();
    }
};

// Each setting of the pages this model has, in the pages' order.
struct ShowResult {
    struct Shown {
        const SettingMeaning* setting;
        unsigned raw;
        std::string meaning;
    };
    struct Group {
        EditedOn page;
        std::vector<Shown> settings;
    };
    int model = 0;
    std::vector<Group> groups;

    void Text(std::ostream& out) const {
        out << "Model " << ModelText(model) << "\n";
        for (const Group& group : groups) {
            out << "\n[" << PageName(group.page) << "]\n";
            for (const Shown& s : group.settings)
                out << SettingKey(*s.setting) << " = " << s.raw << " (" << s.meaning << ")"
                    << (s.setting->standbyOnly ? "  [standby only]" : "") << "\n";
        }
    }
    void ToJson(Json& json) const {
        Json list = Json::array();
        for (const Group& group : groups) {
            Json settings = Json::array();
            for (const Shown& s : group.settings)
                settings.push_back({{"key", SettingKey(*s.setting)},
                                    {"raw", s.raw},
                                    {"meaning", s.meaning},
                                    {"standby_only", s.setting->standbyOnly}});
            list.push_back(
                {{"name", std::string(PageName(group.page))}, {"settings", std::move(settings)}});
        }
        json["model"] = ModelJson(model);
        json["groups"] = std::move(list);
    }
};

template <typename Result>
int Render(Command& command, const Result& result) {
    if (command.JsonOutput()) {
        result.ToJson(command.Result());
    } else {
        result.Text(command.Out());
    }
    return ec::kDone;
}

}  // namespace

namespace verbs {

int List(Command& command) { return ListOrProbe(command, true); }
int Probe(Command& command) { return ListOrProbe(command, false); }

int Status(Command& command) {
    const UpsFlags& flags = command.Reports().Flags();
    return Render(command, StatusResult{command.Model(), command.Listener().versions,
                                        command.Online(), flags.outlet1On.load() != 0,
                                        flags.outlet2On.load() != 0, command.Listener().uptime});
}

int Show(Command& command) {
    ShowResult result{command.Model(), {}};
    for (const EditedOn page : TabsOf(result.model, false)) {
        ShowResult::Group& group = result.groups.emplace_back(ShowResult::Group{page, {}});
        for (const SettingMeaning& setting : SettingMeanings()) {
            if (setting.page != page) continue;
            const unsigned raw = ValueOf(command.AsRead(), setting);
            group.settings.push_back({&setting, raw, ValueText(setting, raw, result.model)});
        }
    }
    return Render(command, result);
}

int Export(Command& command) {
    // What Download saves: the pages loaded with the unit's settings, stored again.
    const SettingsImage image = PageStore(command.AsRead(), command.AsRead());
    const std::optional<std::string>& output = command.Opts().output;
    if (!output) {
        const std::string text = FormatSettingsFile(image, command.Env().clock());
        if (command.JsonOutput()) {
            command.Result()["settings_file"] = text;
        } else {
            command.Out() << text;
        }
        return ec::kDone;
    }
    const WriteResult result = WriteSettingsFile(*output, image, command.Env().clock);
    if (!result) Fail(ec::kFailed, *output + " could not be written: " + result.reason);
    return ec::kDone;
}

}  // namespace verbs
}  // namespace upsconfig
