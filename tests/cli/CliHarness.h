#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
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
        folder_ = std::filesystem::temp_directory_path() /
                  ("upsconfig-cli-test-" +
                   std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        variables_ = {{"XDG_DATA_HOME", (folder_ / "data").string()},
                      {"XDG_RUNTIME_DIR", folder_.string()},
                      {"HOME", folder_.string()}};
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
            .userId = 1000,
            .clock = FixedTime,
            .pauser = pauser.AsPauser(),
            .realBackend =
                [this] { return std::shared_ptr<HidBackend>(target, [](HidBackend*) {}); },
        };
        const int code = RunCli(args, environment);
        return {code, out.str(), err.str()};
    }

    // 2009-07-03 08:05:04
    static std::tm FixedTime() {
        std::tm time{};
        time.tm_year = 109;
        time.tm_mon = 6;
        time.tm_mday = 3;
        time.tm_hour = 8;
        time.tm_min = 5;
        time.tm_sec = 4;
        return time;
    }

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

  private:
    std::filesystem::path folder_;
    std::map<std::string, std::string> variables_;
};

}  // namespace upsconfig::support
