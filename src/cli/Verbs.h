#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "cli/Options.h"

namespace upsconfig {

class Command;

// What a verb's argument is, for the checks before it runs and for the shell completions.
enum class ArgKind {
    File,     // a path
    Number,   // a whole number
    Setting,  // KEY=VALUE, the key one of the settings
    Key,      // the key of a setting
    Word,     // one of the argument's fixed words
};

struct Argument {
    std::string_view name;  // in the usage: "FILE", "N", "KEY=VALUE"; a Word shows its words
    ArgKind kind;
    std::span<const std::string_view> words = {};  // Word: the words it takes
    bool optional = false;                         // it may be left out (only the last ones)
    bool repeated = false;                         // the last one: one or more
};

// When the verb needs the unit read: before it runs, after its own checks, or not at all.
enum class UnitUse { None, Before, Own };

// One verb of upsconfig-cli: dispatch, the argument checks, --help and the completions all
// read these rows.
struct Verb {
    std::string_view name;
    std::span<const Argument> arguments;
    std::span<const OptionId> options;  // beyond those every verb takes
    UnitUse unit;
    std::string_view summary;
    int (*run)(Command&);
};

std::span<const Verb> Verbs();
const Verb* FindVerb(std::string_view name);
// The verb writes to the unit (it takes --wait): it holds the unit's lock while it does.
bool Writes(const Verb& verb);

// "apply FILE [--dry-run] [--yes]"
std::string Usage(const Verb& verb);
// The whole --help text: usage, every verb, every option, the exit codes.
std::string HelpText();

// Fails with exit 2 unless the words after the verb and the options given fit its row. --yes
// is let pass everywhere: a script may give it to every command, and it only skips a question.
void CheckArguments(const Verb& verb, const Options& options);

// The verbs' handlers, one file per family.
namespace verbs {
int List(Command& command);
int Probe(Command& command);
int Status(Command& command);
int Show(Command& command);
int Describe(Command& command);
int Export(Command& command);
int Diff(Command& command);
int Apply(Command& command);
int Set(Command& command);
int History(Command& command);
int Restore(Command& command);
int Outlet(Command& command);
int BatteryTest(Command& command);
int Sim(Command& command);
int Completion(Command& command);
}  // namespace verbs

}  // namespace upsconfig
