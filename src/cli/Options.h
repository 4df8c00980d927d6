#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/HostView.h"

namespace upsconfig {

enum class OptionId {
    Device,
    Simulate,
    SimState,
    Output,
    Json,
    Yes,
    DryRun,
    Wait,
    ExitCode,
    Help,
    Version
};

enum class OptionValue {
    None,      // a flag
    Required,  // --name VALUE or --name=VALUE
    Inline,    // only as --name=VALUE, optional
};

// One option as the parser, --help and the shell completions see it.
struct OptionRow {
    OptionId id;
    std::string_view name;       // "--device"
    std::string_view shortName;  // "-o", or empty
    OptionValue value;
    std::string_view valueName;  // "PATH|SERIAL"; what completion offers for it
    std::string_view summary;    // empty: shown with the verbs that take it, not in the list
    bool everyVerb;              // taken by every verb; the others only where a verb lists them
};

std::span<const OptionRow> OptionRows();
const OptionRow& Option(OptionId id);

struct Options {
    std::optional<std::string> device;
    bool simulate = false;
    std::optional<int> simulateModel;
    std::optional<std::string> simState;
    std::optional<std::string> output;
    bool json = false;
    bool yes = false;
    bool dryRun = false;
    std::optional<int> waitSeconds;  // for a unit another program writes to
    bool exitCode = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> words;  // the verb and its arguments
};

// Options stand anywhere before "--"; everything after it is a word. A value given apart from
// its option is never itself an option (--device --json). UPSCONFIG_SIMULATE=MODEL and
// UPSCONFIG_SIM_STATE=FILE stand for --simulate=MODEL and --sim-state FILE where the line has
// neither. Fails with exit code 2.
Options ParseOptions(std::span<const std::string> args, const VariableLookup& variable);

// Whether the options were given on the line; one not given is false.
bool Given(const Options& options, OptionId id);

// A whole number of decimal digits; nullopt for anything else.
std::optional<int> ParseNumber(std::string_view text);

// Model codes as the simulated unit takes them, in every message that asks for one.
inline constexpr std::string_view kModelCodes = "a model code from 0 to 255";
// A model code of kModelCodes; nullopt for anything else.
std::optional<int> ParseModelCode(std::string_view text);

}  // namespace upsconfig
