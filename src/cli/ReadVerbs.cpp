// The verbs that only read the unit: list, probe, status, export.
#include <ostream>

#include "cli/Command.h"
#include "cli/ExitCodes.h"
#include "cli/ListProbe.h"
#include "cli/ModelText.h"
#include "cli/Verbs.h"
#include "settingsfile/SettingsFile.h"
#include "unit/ModelTable.h"
#include "unit/PageValues.h"

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
    std::string device;
    std::string serial;
    int model = 0;
    std::array<int, 3> versions{};
    bool online = false;
    bool outlet1 = false;
    bool outlet2 = false;
    std::optional<std::int32_t> uptime;

    void Text(std::ostream& out) const {
        out << "Unit:     " << device << (serial.empty() ? ", no serial" : ", serial " + serial)
            << "\n"
            << "Model:    " << ModelText(model) << "\n"
            << "Versions: hardware " << versions[0] << ", power firmware " << versions[1]
            << ", monitor firmware " << versions[2] << "\n"
            << "State:    " << (online ? "online" : "standby") << "\n"
            << "Outlet 1: " << (outlet1 ? "on" : "off") << "\n"
            << "Outlet 2: " << (outlet2 ? "on" : "off") << "\n";
        if (uptime) out << "Up for:   " << *uptime << " s\n";
    }
    void ToJson(Json& json) const {
        json["serial"] = TextOrNull(serial);
        json["model"] = ModelJson(model);
        json["versions"] = {{"hardware", versions[0]},
                            {"power_firmware", versions[1]},
                            {"monitor_firmware", versions[2]}};
        json["online"] = online;
        json["outlets"] = {{"1", outlet1}, {"2", outlet2}};
        json["uptime_seconds"] = uptime ? Json(*uptime) : Json();
    }
};

}  // namespace

namespace verbs {

int List(Command& command) { return ListOrProbe(command, true); }
int Probe(Command& command) { return ListOrProbe(command, false); }

int Status(Command& command) {
    const UpsFlags& flags = command.Reports().Flags();
    command.Render(StatusResult{command.DevicePath(), command.Serial(), command.Model(),
                                command.Listener().versions, command.Online(),
                                flags.outlet1On.load() != 0, flags.outlet2On.load() != 0,
                                command.Listener().uptime});
    return ec::kDone;
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
    command.Result()["output"] = *output;
    if (!command.JsonOutput())
        command.Out() << "The unit's settings were written to " << *output << ".\n";
    return ec::kDone;
}

}  // namespace verbs
}  // namespace upsconfig
