#pragma once

#include <filesystem>
#include <string>

#include "sim/SimulatedUnit.h"

namespace upsconfig {

// The simulated unit outlives one command through this small text file: its held settings,
// model code, versions, online state, outlets and start-up time.

// False: the file is missing. Throws std::runtime_error when it exists but is not a state
// file (the message names the file).
bool LoadSimState(const std::filesystem::path& file, SimulatedUnit& unit);

// Replaces the file as a whole; false (reason in `error`) when it cannot be written.
bool SaveSimState(const std::filesystem::path& file, const SimulatedUnit& unit, std::string& error);

}  // namespace upsconfig
