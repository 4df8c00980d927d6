#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/LocalTime.h"
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

    CliHarness() {
        // A folder no other test process can share: ctest runs the cases side by side, and
        // addresses repeat from process to process.
        std::string name =
            (std::filesystem::temp_directory_path() / "upsconfig-cli-test-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("no temporary folder");
        folder_ = name;
        variables_ = {{"XDG_DATA_HOME", (folder_ / "data").string()},
                      {"XDG_RUNTIME_DIR", folder_.string()},
                      {"HOME", folder_.string()}};
        // Empty places of a machine without a seat: never the test machine's own.
        host = {(folder_ / "sys").string(),
                {(folder_ / "rules").string()},
                (folder_ / "seats").string(),
                ""};
    }
    ~CliHarness() { std::filesystem::remove_all(folder_); }

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
            .userId = static_cast<unsigned>(::getuid()),
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
