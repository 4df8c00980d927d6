#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "cli/CliHarness.h"
#include "cli/Completion.h"
#include "cli/Verbs.h"

namespace upsconfig::support {
namespace {

using Words = std::set<std::string>;

// bash with the generated completion sourced, completing `line` as if TAB were pressed at its
// end: the words it offers.
class Bash : public CliHarness {
  public:
    Words Complete(const std::string& line) {
        const std::filesystem::path script = Folder() / "complete.bash";
        std::ofstream(script) << CompletionScript("bash") << "COMP_LINE='" << line
                              << "'\nCOMP_POINT=" << line.size()
                              << "\n_upsconfig_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
        FILE* pipe = ::popen(("bash '" + script.string() + "' 2>/dev/null").c_str(), "r");
        Words words;
        char text[512];
        while (pipe != nullptr && std::fgets(text, sizeof text, pipe) != nullptr) {
            std::string word(text);
            if (word.ends_with('\n')) word.pop_back();
            if (!word.empty()) words.insert(word);
        }
        if (pipe != nullptr) ::pclose(pipe);
        return words;
    }
};

TEST(CliCompletionTest, BashCompletesVerbsKeysAndValues) {
    Bash bash;
    const struct Row {
        std::string line;
        Words offered;
    } rows[] = {
        {"upsconfig-cli se", {"set"}},
        {"upsconfig-cli set bOutputL", {"bOutputLevel="}},
        {"upsconfig-cli --device /dev/hidraw1 set bAutoBattTestTime=2", {"20", "26"}},
        {"upsconfig-cli set bInvFirstMode=", {"On", "Off"}},
        {"upsconfig-cli set bShutDownLogic=Normally\\ O", {"Normally\\ Open\\ \\(Default\\)"}},
        {"upsconfig-cli --json outlet 2 ", {"on", "off", "reboot"}},
        {"upsconfig-cli describe bECO_V", {"bECO_Vol_Tol"}},
        {"upsconfig-cli -- --sim", {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(bash.Complete(row.line), row.offered) << row.line;
}

// Dispatch's check of the words after the verb lets this option through.
bool DispatchTakes(const Verb& verb, const OptionRow& row) {
    std::vector<std::string> args = {std::string(verb.name), std::string(row.name)};
    if (row.value == OptionValue::Required) args.push_back("1");  // a value every option takes
    try {
        CheckArguments(verb, ParseOptions(args, {}));
    } catch (const Failure& failure) {
        return failure.message.find("is not one of its options") == std::string::npos;
    }
    return true;
}

// For every verb, completion offers the options that dispatch takes and the fixed words of its
// arguments. --yes, which dispatch lets pass everywhere, is offered where the verb asks.
TEST(CliCompletionTest, BashOffersWhatDispatchTakes) {
    Bash bash;
    for (const Verb& verb : Verbs()) {
        const std::string name(verb.name);
        SCOPED_TRACE(name);
        const Words options = bash.Complete("upsconfig-cli " + name + " --");
        for (const OptionRow& row : OptionRows()) {
            const bool offered = options.contains(std::string(row.name));
            if (row.id == OptionId::Yes) {
                EXPECT_TRUE(!offered || DispatchTakes(verb, row));
            } else {
                EXPECT_EQ(offered, DispatchTakes(verb, row)) << row.name;
            }
        }
        std::string line = "upsconfig-cli " + name;
        for (const Argument& argument : verb.arguments) {
            if (argument.kind != ArgKind::Word) break;
            EXPECT_EQ(bash.Complete(line + " "),
                      Words(argument.words.begin(), argument.words.end()));
            line.append(" ").append(argument.words.front());
        }
    }
}

}  // namespace
}  // namespace upsconfig::support
