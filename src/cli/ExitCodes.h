#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

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
inline constexpr int kDiffers = 8;
}  // namespace exit_code

// Each exit code with the kind a JSON failure names and the meaning --help gives.
struct ExitCodeRow {
    int code;
    std::string_view kind;  // empty for success
    std::string_view meaning;
};

inline constexpr std::array<ExitCodeRow, 9> kExitCodes{{
    {exit_code::kDone, "", "done (also: nothing to change)"},
    {exit_code::kFailed, "failed",
     "not done: declined, a file could not be read or written, other failure"},
    {exit_code::kUsage, "usage", "usage error, or no terminal to ask and no --yes"},
    {exit_code::kNoUnit, "no_unit", "no unit: no interface with the unit's ids"},
    {exit_code::kNotOpened, "no_permission",
     "unit found but not opened: permission denied, busy, feature length refused; or in use "
     "by another program that writes to it"},
    {exit_code::kCommunicationLost, "comm_lost", "communication lost"},
    {exit_code::kRefused, "refused",
     "refused: a standby-only change while the unit is online, a value the page does not offer, "
     "or only settings the unit does not take"},
    {exit_code::kVerifyFailed, "verify_failed",
     "verification failed: the unit holds other values than written"},
    {exit_code::kDiffers, "", "diff --exit-code only: applying the file would change settings"},
}};

// The kind of a failure's exit code; "failed" for any code without a row.
constexpr std::string_view ExitKind(int code) {
    for (const ExitCodeRow& row : kExitCodes)
        if (row.code == code && !row.kind.empty()) return row.kind;
    return "failed";
}

// A command ends early with one of these; RunCli prints it and returns its code.
struct Failure {
    int code;
    std::string message;
};

[[noreturn]] inline void Fail(int code, std::string message) {
    throw Failure{code, std::move(message)};
}

}  // namespace upsconfig
