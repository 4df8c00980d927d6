#pragma once

#include <span>
#include <string>

#include "cli/CliEnvironment.h"

namespace upsconfig {

// The exit codes of upsconfig-cli.
namespace exit_code {
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNoUnit = 3;
inline constexpr int kNotOpened = 4;
inline constexpr int kCommunicationLost = 5;
inline constexpr int kRefused = 6;
inline constexpr int kVerifyFailed = 7;
}  // namespace exit_code

// Runs one command line (without the program name) and returns its exit code.
int RunCli(std::span<const std::string> args, CliEnvironment& environment);

}  // namespace upsconfig
