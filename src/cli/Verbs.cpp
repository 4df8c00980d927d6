#include "cli/Verbs.h"

#include <algorithm>
#include <array>
#include <limits>

#include "cli/ExitCodes.h"
#include "unit/ApplyPlan.h"

namespace upsconfig {
namespace {

namespace ec = exit_code;
using enum ArgKind;
using enum OptionId;

constexpr std::array<std::string_view, 2> kOutletNumbers{"1", "2"};
constexpr std::array<std::string_view, 3> kOutletActions{"on", "off", "reboot"};
constexpr std::array<std::string_view, 2> kTestActions{"start", "stop"};
constexpr std::array<std::string_view, 4> kSimActions{"online", "standby", "model", "reset"};
constexpr std::array<std::string_view, 3> kShells{"bash", "zsh", "fish"};

constexpr std::array<Argument, 1> kFile{{{"FILE", File}}};
constexpr std::array<Argument, 2> kFiles{{{"FILE", File}, {"FILE2", File, {}, true}}};
constexpr std::array<Argument, 1> kSettings{{{"KEY=VALUE", Setting, {}, false, true}}};
constexpr std::array<Argument, 1> kKeys{{{"KEY", Key, {}, true, true}}};
constexpr std::array<Argument, 1> kBackupNumber{{{"N", Number, {}, true}}};
constexpr std::array<Argument, 2> kOutlet{{{"", Word, kOutletNumbers}, {"", Word, kOutletActions}}};
constexpr std::array<Argument, 1> kTest{{{"", Word, kTestActions}}};
constexpr std::array<Argument, 2> kSim{{{"", Word, kSimActions}, {"N", Number, {}, true}}};
constexpr std::array<Argument, 1> kShell{{{"", Word, kShells}}};

constexpr std::array<OptionId, 1> kOutput{Output};
constexpr std::array<OptionId, 1> kCompare{ExitCode};
// The verbs that write to the unit take --wait, and with it the unit's lock.
constexpr std::array<OptionId, 3> kWrites{DryRun, Yes, Wait};
constexpr std::array<OptionId, 2> kAsks{Yes, Wait};
constexpr std::array<OptionId, 1> kSends{Wait};

constexpr std::array kVerbs{
    Verb{"list", {}, {}, UnitUse::None, "the HID interfaces with the units' ids", verbs::List},
    Verb{"probe",
         {},
         {},
         UnitUse::None,
         "why a unit is or is not reachable, and the fix",
         verbs::Probe},
    Verb{"status",
         {},
         {},
         UnitUse::Before,
         "the unit read, its model, versions, online or standby, outlets",
         verbs::Status},
    Verb{"show",
         kKeys,
         {},
         UnitUse::Before,
         "the settings of the model's pages, or those named: key = raw (meaning)",
         verbs::Show},
    Verb{"describe",
         kKeys,
         {},
         UnitUse::Before,
         "each setting's page and label, unit, values or range, factory value",
         verbs::Describe},
    Verb{"export",
         {},
         kOutput,
         UnitUse::Before,
         "the settings as a settings file (standard output without -o)",
         verbs::Export},
    Verb{"diff", kFiles, kCompare, UnitUse::Own,
         "what applying FILE would change; or FILE2 against FILE, no unit needed", verbs::Diff},
    Verb{"apply", kFile, kWrites, UnitUse::Before,
         "writes what FILE changes, as Upload then Apply in the window", verbs::Apply},
    Verb{"set", kSettings, kWrites, UnitUse::Before,
         "changes single settings; VALUE in the setting's unit, as its meaning, or raw:N",
         verbs::Set},
    Verb{"history",
         {},
         {},
         UnitUse::None,
         "the backups kept before each write, newest first",
         verbs::History},
    Verb{"restore", kBackupNumber, kWrites, UnitUse::Own,
         "brings back backup N (1 = newest) exactly", verbs::Restore},
    Verb{"outlet", kOutlet, kAsks, UnitUse::Before,
         "switches an outlet group (off and reboot ask unless --yes)", verbs::Outlet},
    Verb{"battery-test", kTest, kSends, UnitUse::Before, "starts or stops a battery test",
         verbs::BatteryTest},
    Verb{"sim", kSim, {}, UnitUse::None, "drives the simulated unit (with --simulate)", verbs::Sim},
    Verb{"completion",
         kShell,
         {},
         UnitUse::None,
         "the shell completion script for the shell",
         verbs::Completion},
};

constexpr std::size_t kUsageColumn = 31;

std::string Joined(std::span<const std::string_view> words, std::string_view between) {
    std::string text;
    for (const std::string_view word : words)
        text.append(text.empty() ? "" : between).append(word);
    return text;
}

std::string ArgumentText(const Argument& argument) {
    std::string text =
        argument.kind == Word ? Joined(argument.words, "|") : std::string(argument.name);
    if (argument.repeated) text += "...";
    if (!argument.optional) return text;
    return std::string("[").append(text).append("]");
}

std::string OptionText(const OptionRow& row) {
    std::string text(row.value == OptionValue::Required && !row.shortName.empty() ? row.shortName
                                                                                  : row.name);
    if (row.value == OptionValue::Required) text.append(" ").append(row.valueName);
    if (row.value == OptionValue::Inline) text.append("[=").append(row.valueName).append("]");
    return text;
}

// "  usage                        summary", the summary on a line of its own after a long usage.
void AddLine(std::string& help, const std::string& usage, std::string_view summary) {
    std::string line = "  " + usage;
    if (!summary.empty()) {
        line += line.size() + 1 < kUsageColumn ? std::string(kUsageColumn - line.size(), ' ')
                                               : "\n" + std::string(kUsageColumn, ' ');
        line.append(summary);
    }
    help += line + "\n";
}

[[noreturn]] void Refuse(const Verb& verb, const std::string& what) {
    Fail(ec::kUsage, std::string(verb.name) + ": " + what + " (see --help)");
}

void CheckWord(const Verb& verb, const Argument& argument, const std::string& word) {
    switch (argument.kind) {
        case File:
            return;
        case Number:
            if (!ParseNumber(word)) Refuse(verb, word + " is not a number");
            return;
        case Word:
            if (std::ranges::find(argument.words, word) == argument.words.end())
                Refuse(verb, word + " is not one of " + Joined(argument.words, ", "));
            return;
        case Setting: {
            const std::size_t equals = word.find('=');
            if (equals == std::string::npos) Fail(ec::kUsage, word + ": not KEY=VALUE");
            if (FindSetting(word.substr(0, equals)) == nullptr)
                Fail(ec::kUsage, "unknown key " + word.substr(0, equals));
            return;
        }
        case Key:
            if (FindSetting(word) == nullptr) Fail(ec::kUsage, "unknown key " + word);
            return;
    }
}

}  // namespace

std::span<const Verb> Verbs() { return kVerbs; }

bool Writes(const Verb& verb) {
    return std::ranges::find(verb.options, Wait) != verb.options.end();
}

const Verb* FindVerb(std::string_view name) {
    const auto found = std::ranges::find(kVerbs, name, &Verb::name);
    return found == kVerbs.end() ? nullptr : &*found;
}

std::string Usage(const Verb& verb) {
    std::string usage(verb.name);
    for (const Argument& argument : verb.arguments)
        usage.append(" ").append(ArgumentText(argument));
    for (const OptionId id : verb.options)
        usage.append(" [").append(OptionText(Option(id))).append("]");
    return usage;
}

std::string HelpText() {
    std::string help =
        "Usage: upsconfig-cli [OPTIONS] COMMAND [ARGUMENTS]\n\n"
        "Configures a UPS of the family over USB, as the window does, from a terminal or a "
        "script.\n\nCommands:\n";
    for (const Verb& verb : kVerbs)
        AddLine(help, Usage(verb), verb.summary);
    help += "\nOptions:\n";
    for (const OptionRow& row : OptionRows())
        if (!row.summary.empty())
            AddLine(
                help,
                OptionText(row) + (row.shortName.empty() ? "" : ", " + std::string(row.shortName)),
                row.summary);
    AddLine(help, "--", "ends the options: every word after it is the command's");
    help += "\nExit codes:\n";
    for (const ExitCodeRow& row : kExitCodes)
        help += "  " + std::to_string(row.code) + " " + std::string(row.meaning) + "\n";
    return help;
}

void CheckArguments(const Verb& verb, const Options& options) {
    for (const OptionRow& row : OptionRows()) {
        if (row.everyVerb || row.id == Yes || !Given(options, row.id)) continue;
        if (std::ranges::find(verb.options, row.id) == verb.options.end())
            Refuse(verb, std::string(row.name) + " is not one of its options");
    }
    const std::size_t count = options.words.size() - 1;
    const std::size_t least =
        static_cast<std::size_t>(std::ranges::count(verb.arguments, false, &Argument::optional));
    const bool repeated = !verb.arguments.empty() && verb.arguments.back().repeated;
    const std::size_t most =
        repeated ? std::numeric_limits<std::size_t>::max() : verb.arguments.size();
    if (count < least || count > most)
        Fail(ec::kUsage,
             "wrong number of arguments for " + std::string(verb.name) + " (see --help)");
    for (std::size_t i = 0; i < count; ++i)
        CheckWord(verb, verb.arguments[std::min(i, verb.arguments.size() - 1)],
                  options.words[i + 1]);
}

}  // namespace upsconfig
