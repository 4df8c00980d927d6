#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "device/HidBackend.h"
#include "device/Pauser.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig {

// Everything the command line takes from the world, so that tests run it in-process: streams,
// whether they are terminals, the environment, the clock, the pauser and the real backend.
struct CliEnvironment {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool stdinIsTerminal = false;
    bool stderrIsTerminal = false;
    // An environment variable, nullopt when unset.
    std::function<std::optional<std::string>(const std::string&)> variable;
    unsigned userId = 0;
    LocalClock clock = SystemLocalTime;
    Pauser pauser;
    // The backend of real units (hidapi); made only when a command needs a unit.
    std::function<std::shared_ptr<HidBackend>()> realBackend;
};

}  // namespace upsconfig
