#pragma once

#include <span>
#include <string>

#include "cli/CliEnvironment.h"
#include "cli/ExitCodes.h"

namespace upsconfig {

// Runs one command line (without the program name) and returns its exit code.
int RunCli(std::span<const std::string> args, CliEnvironment& environment);

}  // namespace upsconfig
