#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "sim/SimulatedUnit.h"

namespace upsconfig {

// The simulated unit outlives one command through this small text file: its held settings,
// model code, versions, online state, outlets and start-up time.

// A state is a few hundred bytes; anything much larger is some other file.
inline constexpr std::size_t kMaxSimStateBytes = std::size_t{64} << 10;

// Where the state lives when no file is named. On Windows in the folder upsconfig of
// %LOCALAPPDATA%, which is the user's alone. Elsewhere in XDG_RUNTIME_DIR when that is an absolute
// path; else (sudo, a service) in the user's own folder below TMPDIR or /tmp, made with mode 0700
// and used only while it is the user's and closed to everyone else. nullopt, the reason in `error`,
// when that folder cannot be made or is not private.
std::optional<std::filesystem::path> DefaultSimStatePath(
    const platform::VariableLookup& variable, unsigned userId, std::string& error,
    platform::System system = platform::kSystem);

// False: nothing is there. Throws std::runtime_error (the message names the file) when what is
// there does not load: a symbolic link, no regular file, over kMaxSimStateBytes, unreadable, not
// a state; it is then left as it is.
bool LoadSimState(const std::filesystem::path& file, SimulatedUnit& unit);

// The text SaveSimState writes.
std::string FormatSimState(const SimulatedUnit& unit);

// Replaces the file as a whole (only a regular file, or nothing); false (reason in `error`)
// when it cannot be written.
bool SaveSimState(const std::filesystem::path& file, const SimulatedUnit& unit, std::string& error);

// The lock file beside the state: every command on the state holds it from load to save. It
// stays when the state is removed, since a lock file removed can be locked twice.
std::filesystem::path SimStateLockPath(const std::filesystem::path& state);

// Whether nothing or a state file, damaged or not, is at the name (else false, the reason in
// `error`): only then may a lock file be put beside it and the state be removed.
bool SimStateOrNothing(const std::filesystem::path& file, std::string& error);
// Removes the state file; false (reason in `error`) when it cannot be removed or what is there
// is no state file (a file of the user's, a link, a device), which then stays.
bool RemoveSimState(const std::filesystem::path& file, std::string& error);

}  // namespace upsconfig
