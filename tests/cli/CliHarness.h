#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/Platform.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/LocalTime.h"
#include "support/TestFiles.h"
#include "unit/PageValues.h"

namespace upsconfig::support {

// upsconfig-cli run in-process against a simulated unit, as the real backend, with the fake
// pauser and its own data and runtime folders.
class CliHarness {
  public:
    struct Result {
        int code;
        std::string out;
        std::string err;
    };

    CliHarness() : folder_(UniqueFolder("upsconfig-cli-test")) {
        // Windows keeps both in LOCALAPPDATA: the backups in data/upsconfig there too.
        variables_ = {{"XDG_DATA_HOME", (folder_ / "data").string()},
                      {"XDG_RUNTIME_DIR", folder_.string()},
                      {"HOME", folder_.string()},
                      {"LOCALAPPDATA", (folder_ / "data").string()}};
        // Empty places of a machine without a seat: never the test machine's own, and its fixes
        // on every system.
        host = {(folder_ / "sys").string(),
                {(folder_ / "rules").string()},
                (folder_ / "seats").string(),
                "",
                platform::System::Posix};
    }
    ~CliHarness() { RemoveTree(folder_); }

    // A terminal on both sides when `typed` is given: what the user types at the prompt.
    Result Cli(std::vector<std::string> args, std::optional<std::string> typed = std::nullopt) {
        std::istringstream in(typed.value_or(""));
        std::ostringstream out, err;
        CliEnvironment environment{
            .in = in,
            .out = out,
            .err = err,
            .stdinIsTerminal = typed.has_value(),
            .stderrIsTerminal = typed.has_value(),
            .variable = [this](const std::string& name) -> std::optional<std::string> {
                const auto it = variables_.find(name);
                return it == variables_.end() ? std::nullopt : std::optional(it->second);
            },
            .userId = platform::UserId(),
            .clock = FixedTime,
            .pauser = pauser.AsPauser(),
            .realBackend =
                [this] { return std::shared_ptr<HidBackend>(target, [](HidBackend*) {}); },
            .host = host,
        };
        const int code = RunCli(args, environment);
        return {code, out.str(), err.str()};
    }

    static std::tm FixedTime() { return support::LocalTime(2009, 7, 3, 8, 5, 4); }

    std::filesystem::path Folder() const { return folder_; }
    void SetVariable(const std::string& name, const std::string& value) {
        variables_[name] = value;
    }
    // The user's data folder, by the variable of either system.
    void SetDataHome(const std::string& value) {
        SetVariable("XDG_DATA_HOME", value);
        SetVariable("LOCALAPPDATA", value);
    }
    bool AnyWrite() const {
        for (const auto& t : target->Log())
            if (t.direction == SimulatedUps::Direction::Set) return true;
        return false;
    }

    SimulatedUps bus;
    SimulatedUps* target = &bus;  // the unit the commands reach
    FakePauser pauser;
    HostView host;

  private:
    std::filesystem::path folder_;
    std::map<std::string, std::string> variables_;
};

}  // namespace upsconfig::support
