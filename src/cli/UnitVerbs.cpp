// The verbs that send the unit a command, and the one that drives the simulated unit.
#include "cli/Command.h"
#include "cli/ExitCodes.h"
#include "cli/SimState.h"
#include "cli/Verbs.h"
#include "unit/ModelTable.h"

namespace upsconfig::verbs {

namespace ec = exit_code;

int Outlet(Command& command) {
    const int outlet = command.Word(1) == "1" ? 1 : 2;
    const std::string& action = command.Word(2);
    // The window has outlet buttons only on the outlet pages of models that have them.
    if (!ModelTable::HasOutletTabs(command.Model()))
        Fail(ec::kRefused, "this model has no outlet groups to switch");
    if (action != "on" && !command.Confirm("Turn outlet " + command.Word(1) +
                                           (action == "off" ? " off?" : " off and on again?")))
        Fail(ec::kFailed, "nothing was sent");
    ReportLayer& reports = command.Reports();
    if (action == "on") reports.TurnOutletOn(outlet);
    if (action == "off") reports.TurnOutletOff(outlet);
    if (action == "reboot") reports.RebootOutlet(outlet);
    command.ExpectConnected("sending the command");
    command.Result()["outlet"] = outlet;
    command.Result()["action"] = action;
    if (!command.JsonOutput())
        command.Out() << "Outlet " << outlet
                      << (action == "on"    ? " turned on.\n"
                          : action == "off" ? " turned off.\n"
                                            : " rebooting: off, then on again.\n");
    return ec::kDone;
}

int BatteryTest(Command& command) {
    const bool start = command.Word(1) == "start";
    if (start) {
        command.Reports().StartBatteryTest();
    } else {
        command.Reports().TerminateBatteryTest();
    }
    command.ExpectConnected("sending the command");
    command.Result()["action"] = command.Word(1);
    if (!command.JsonOutput())
        command.Out() << (start ? "Battery test started.\n" : "Battery test stopped.\n");
    return ec::kDone;
}

int Sim(Command& command) {
    if (!command.Opts().simulate) Fail(ec::kUsage, "sim drives the simulated unit: add --simulate");
    const std::string& what = command.Word(1);
    command.Arguments(what == "model" ? 2 : 1, what == "model" ? 2 : 1);
    if (what == "reset") {
        std::string error;
        if (SimStateOrNothing(command.SimStatePath(), error)) command.LockSimState();
        if (!error.empty() || !RemoveSimState(command.SimStatePath(), error))
            Fail(ec::kFailed, command.SimStatePath().string() + ": " + error);
        return ec::kDone;
    }
    command.MakeBackend();
    SimulatedUnit& unit = command.Simulated()->Unit();
    if (what == "model") {
        const std::optional<int> model = ParseModelCode(command.Word(2));
        if (!model) Fail(ec::kUsage, "sim model takes " + std::string(kModelCodes));
        unit.SetModelCode(static_cast<std::uint8_t>(*model));
    } else {
        unit.SetOnline(what == "online");
    }
    return ec::kDone;
}

}  // namespace upsconfig::verbs
