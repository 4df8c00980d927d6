#include "cli/Options.h"

#include <algorithm>
#include <charconv>

#include "cli/ExitCodes.h"

namespace upsconfig {
namespace {

namespace ec = exit_code;
using enum OptionId;

constexpr int kMaxWaitSeconds = 86400;

constexpr std::array kOptions{
    OptionRow{Device, "--device", "", OptionValue::Required, "PATH|SERIAL",
              "the unit to use when there are several", true},
    OptionRow{Simulate, "--simulate", "", OptionValue::Inline, "MODEL",
              "the built-in simulated unit; a fresh one is of MODEL", true},
    OptionRow{SimState, "--sim-state", "", OptionValue::Required, "FILE",
              "where the simulated unit keeps its state", true},
    OptionRow{Output, "--output", "-o", OptionValue::Required, "FILE", "", false},
    OptionRow{Json, "--json", "", OptionValue::None, "", "one JSON object on standard output",
              true},
    OptionRow{Yes, "--yes", "", OptionValue::None, "", "do not ask before writing", false},
    OptionRow{DryRun, "--dry-run", "", OptionValue::None, "",
              "show what would be written, write nothing", false},
    OptionRow{Wait, "--wait", "", OptionValue::Required, "SECONDS",
              "while another program writes to the unit, wait up to SECONDS for it", false},
    OptionRow{ExitCode, "--exit-code", "", OptionValue::None, "",
              "exit 8 when anything would change", false},
    OptionRow{Help, "--help", "-h", OptionValue::None, "", "this text", true},
    OptionRow{Version, "--version", "", OptionValue::None, "", "the version and the unit ids",
              true},
};

const OptionRow* FindOption(std::string_view name) {
    for (const OptionRow& row : kOptions)
        if (row.name == name || (!row.shortName.empty() && row.shortName == name)) return &row;
    return nullptr;
}

std::optional<int> SimulatedModel(const std::string& text, const std::string& from) {
    const std::optional<int> model = ParseModelCode(text);
    if (!model) Fail(ec::kUsage, from + " takes " + std::string(kModelCodes));
    return model;
}

void Set(Options& options, const OptionRow& row, const std::optional<std::string>& value) {
    switch (row.id) {
        case Device:
            options.device = value;
            break;
        case Simulate:
            options.simulate = true;
            if (value) options.simulateModel = SimulatedModel(*value, "--simulate=MODEL");
            break;
        case SimState:
            options.simState = value;
            break;
        case Output:
            options.output = value;
            break;
        case Json:
            options.json = true;
            break;
        case Yes:
            options.yes = true;
            break;
        case DryRun:
            options.dryRun = true;
            break;
        case Wait:
            options.waitSeconds = ParseNumber(value.value_or(""));
            if (!options.waitSeconds || *options.waitSeconds > kMaxWaitSeconds)
                Fail(ec::kUsage, "--wait takes a number of seconds from 0 to " +
                                     std::to_string(kMaxWaitSeconds));
            break;
        case ExitCode:
            options.exitCode = true;
            break;
        case Help:
            options.help = true;
            break;
        case Version:
            options.version = true;
            break;
    }
}

// Where neither option is on the line, the environment may name the simulated unit: tests and
// demos (a web page over the command line) run the real program on it.
void TakeEnvironment(Options& options, const VariableLookup& variable) {
    if (!variable) return;
    if (!options.simulate)
        if (const auto model = variable("UPSCONFIG_SIMULATE"); model && !model->empty()) {
            options.simulate = true;
            options.simulateModel = SimulatedModel(*model, "UPSCONFIG_SIMULATE");
        }
    if (!options.simState)
        if (const auto state = variable("UPSCONFIG_SIM_STATE"); state && !state->empty())
            options.simState = state;
}

}  // namespace

std::span<const OptionRow> OptionRows() { return kOptions; }

const OptionRow& Option(OptionId id) { return *std::ranges::find(kOptions, id, &OptionRow::id); }

std::optional<int> ParseNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        text.front() == '-' || text.front() == '+')
        return std::nullopt;
    return value;
}

std::optional<int> ParseModelCode(std::string_view text) {
    const std::optional<int> model = ParseNumber(text);
    return model && *model <= 255 ? model : std::nullopt;
}

Options ParseOptions(std::span<const std::string> args, const VariableLookup& variable) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            options.words.insert(options.words.end(), args.begin() + static_cast<long>(i) + 1,
                                 args.end());
            break;
        }
        if (arg.size() < 2 || arg.front() != '-') {
            options.words.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        const OptionRow* row = FindOption(name);
        if (row == nullptr) Fail(ec::kUsage, "unknown option " + arg + " (see --help)");
        std::optional<std::string> value;
        if (equals != std::string::npos) {
            if (row->value == OptionValue::None) Fail(ec::kUsage, name + " takes no value");
            value = arg.substr(equals + 1);
        } else if (row->value == OptionValue::Required) {
            if (i + 1 >= args.size()) Fail(ec::kUsage, name + " needs a value");
            // A value that looks like an option is one that was forgotten: --device --json.
            const std::string& next = args[i + 1];
            if (next.size() > 1 && next.front() == '-')
                Fail(ec::kUsage, name + " needs a value, not the option " + next + " (write " +
                                     name + "=" + next + " if that is the value)");
            value = args[++i];
        }
        Set(options, *row, value);
    }
    TakeEnvironment(options, variable);
    return options;
}

bool Given(const Options& options, OptionId id) {
    switch (id) {
        case Output:
            return options.output.has_value();
        case Yes:
            return options.yes;
        case DryRun:
            return options.dryRun;
        case Wait:
            return options.waitSeconds.has_value();
        case ExitCode:
            return options.exitCode;
        default:
            return false;
    }
}

}  // namespace upsconfig
