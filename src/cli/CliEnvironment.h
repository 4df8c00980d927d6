#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "device/HidBackend.h"
#include "device/HostView.h"
#include "device/Pauser.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig {

// Everything the command line takes from the world, so that tests run it in-process: streams,
// whether they are terminals, the environment, the clock, the pauser, the real backend and the
// view of the host that says why a unit is not reachable.
struct CliEnvironment {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool stdinIsTerminal = false;
    bool stderrIsTerminal = false;
    VariableLookup variable;
    unsigned userId = 0;
    LocalClock clock = SystemLocalTime;
    Pauser pauser;
    // The backend of real units (hidapi); made only when a command needs a unit.
    std::function<std::shared_ptr<HidBackend>()> realBackend;
    HostView host;
};

}  // namespace upsconfig
