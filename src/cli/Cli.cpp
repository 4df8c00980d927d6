#include "cli/Cli.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include "cli/Command.h"
#include "cli/Verbs.h"
#include "device/Diagnosis.h"
#include "device/HidLink.h"

#ifndef UPSCONFIG_VERSION
#define UPSCONFIG_VERSION "0"
#endif

namespace upsconfig {
namespace {

namespace ec = exit_code;

// Whether the line asks for JSON, for a failure before the options are read.
bool AsksForJson(std::span<const std::string> args) {
    const auto end = std::ranges::find(args, std::string("--"));
    return std::find(args.begin(), end, std::string("--json")) != end;
}

int RunVerb(const Options& options, CliEnvironment& env, std::optional<Command>& command) {
    if (options.help) {
        env.out << HelpText();
        return ec::kDone;
    }
    if (options.version) {
        env.out << "upsconfig-cli " << UPSCONFIG_VERSION << " (unit ids "
                << IdsText(kUpsVendorId, kUpsProductId) << ")\n";
        return ec::kDone;
    }
    if (options.words.empty()) Fail(ec::kUsage, "no command given (see --help)");
    const Verb* verb = FindVerb(options.words.front());
    if (verb == nullptr)
        Fail(ec::kUsage, "unknown command " + options.words.front() + " (see --help)");
    CheckArguments(*verb, options);
    command.emplace(options, env);
    if (verb->unit == UnitUse::Before) command->Connect();
    const int code = verb->run(*command);
    if (const auto lost = command->SaveSimulated())
        Fail(ec::kFailed, *lost +
                              ". The command itself was carried out on the simulated unit; the "
                              "next command will find the unit as it was before.");
    if (options.json) env.out << DumpJson(command->Result());
    return code;
}

}  // namespace

int RunCli(std::span<const std::string> args, CliEnvironment& env) {
    bool json = AsksForJson(args);
    std::optional<Command> command;
    Options options;
    try {
        options = ParseOptions(args, env.variable);
        json = options.json;
        return RunVerb(options, env, command);
    } catch (const Failure& failure) {
        env.err << "upsconfig-cli: " << failure.message << "\n";
        if (const auto lost = command ? command->SaveSimulated() : std::nullopt)
            env.err << "upsconfig-cli: " << *lost << "\n";
        if (json) {
            Json result = command ? command->Result() : Json::object();
            result["ok"] = false;
            result["error"] = {{"exit_code", failure.code},
                               {"kind", ExitKind(failure.code)},
                               {"message", failure.message}};
            env.out << DumpJson(result);
        }
        return failure.code;
    }
}

}  // namespace upsconfig
