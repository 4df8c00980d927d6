#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace upsconfig {

// The version line of a window program, with the unit ids it looks for:
// "upsconfig 1.3 (units 1209:0000)".
std::string VersionLine(std::string_view program);

// --help and --version, answered on standard output before anything needs a display, so they
// work over ssh and in scripts. Returns the exit code when the program is done; nullopt when the
// command line asks for neither and the program goes on.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv, std::string_view program,
                                       std::string_view usage);

// A command line the program cannot take: what is wrong and the usage on standard error; returns
// the exit code of a usage error.
int RefuseCommandLine(std::string_view program, std::string_view problem, std::string_view usage);

}  // namespace upsconfig
