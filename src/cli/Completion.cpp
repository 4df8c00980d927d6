#include "cli/Completion.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/CompletionShells.h"
#include "cli/ExitCodes.h"
#include "cli/Verbs.h"
#include "unit/ApplyPlan.h"
#include "unit/ModelTable.h"
#include "unit/OfferedValues.h"
#include "unit/PageValues.h"

namespace upsconfig {
namespace {

using Words = std::vector<std::string>;

// A query the scripts ask of their data, with the words it answers: "verbs", "options"
// "export", "argument" "outlet:1" (the argument's kind first), "values" "bOutputLevel".
struct Answer {
    std::string query;
    std::string pattern;  // the second word; "" for none, a trailing * for any number
    Words words;
};

void AddUnique(Words& words, const std::string& word) {
    if (std::ranges::find(words, word) == words.end()) words.push_back(word);
}

Words OptionNames(const OptionRow& row) {
    Words names{std::string(row.name)};
    if (!row.shortName.empty()) names.emplace_back(row.shortName);
    return names;
}

std::string_view KindWord(ArgKind kind) {
    switch (kind) {
        case ArgKind::File:
            return "file";
        case ArgKind::Number:
            return "number";
        case ArgKind::Setting:
            return "setting";
        case ArgKind::Key:
            return "key";
        case ArgKind::Word:
            break;
    }
    return "words";
}

void AddOptions(std::vector<Answer>& answers) {
    Answer common{"common", "", {}}, valued{"valued", "", {}}, files{"files", "", {}};
    for (const OptionRow& row : OptionRows()) {
        const Words names = OptionNames(row);
        if (row.everyVerb) common.words.insert(common.words.end(), names.begin(), names.end());
        if (row.value != OptionValue::Required) continue;
        valued.words.insert(valued.words.end(), names.begin(), names.end());
        if (row.valueName == "FILE")
            files.words.insert(files.words.end(), names.begin(), names.end());
    }
    answers.insert(answers.end(), {common, valued, files});
}

void AddVerbs(std::vector<Answer>& answers) {
    Answer names{"verbs", "", {}};
    for (const Verb& verb : Verbs()) {
        const std::string name(verb.name);
        names.words.push_back(name);
        Answer options{"options", name, {}};
        for (const OptionId id : verb.options) {
            const Words more = OptionNames(Option(id));
            options.words.insert(options.words.end(), more.begin(), more.end());
        }
        if (!options.words.empty()) answers.push_back(options);
        for (std::size_t i = 0; i < verb.arguments.size(); ++i) {
            const Argument& argument = verb.arguments[i];
            Answer answer{"argument",
                          name + ":" + (argument.repeated ? "*" : std::to_string(i + 1)),
                          {std::string(KindWord(argument.kind))}};
            for (const std::string_view word : argument.words)
                answer.words.emplace_back(word);
            answers.push_back(answer);
        }
    }
    answers.push_back(names);
}

// The values of every setting a page shows, over the models whose pages show it; the voltages
// differ by the model's voltage group, everything else is the same wherever it is shown.
void AddSettings(std::vector<Answer>& answers) {
    Answer keys{"keys", "", {}};
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (setting.page == EditedOn::NoPage) continue;
        const std::string key = SettingKey(setting);
        keys.words.push_back(key);
        Answer values{"values", key, {}};
        std::map<VoltageGroup, bool> seen;
        for (int model = 0; model <= 255; ++model) {
            if (NotOnThePages(setting, model) || seen[ModelTable::GroupOf(model)]) continue;
            seen[ModelTable::GroupOf(model)] = true;
            SettingsImage image = FactorySettings(model);
            // The most units in parallel, so that the unit-id list is whole.
            const SettingMeaning& units = *MeaningOf(FieldId::bParalConfig);
            for (const OfferedValue& count : OfferedValues(units, image).values)
                SetValue(image, units, count.raw);
            for (const OfferedValue& value : OfferedValues(setting, image).values)
                AddUnique(values.words, TypedForm(value));
        }
        answers.push_back(values);
    }
    answers.push_back(keys);
}

std::vector<Answer> Answers() {
    std::vector<Answer> answers;
    AddOptions(answers);
    AddVerbs(answers);
    AddSettings(answers);
    return answers;
}

// 'text', with a quote inside as the shell needs it: '\'' for sh, \' for fish.
std::string Quoted(const std::string& text, bool fish) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += fish ? "\\'" : "'\\''";
        } else if (c == '\\' && fish) {
            quoted += "\\\\";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string PrintWords(const Words& words, bool fish) {
    std::string line = "printf '%s\\n'";
    for (const std::string& word : words)
        line.append(" ").append(Quoted(word, fish));
    return line;
}

// The data as one function of case branches: `_upsconfig_cli_words QUERY [PATTERN]` in sh,
// `__upsconfig_cli_words` in fish.
std::string Data(bool fish) {
    const auto branch = [fish](const std::string& pattern, const Words& words, int indent) {
        const std::string pad(static_cast<std::size_t>(indent), ' ');
        if (fish)
            return pad + "case " + Quoted(pattern, true) + "\n" + pad + "    " +
                   PrintWords(words, true) + "\n";
        const bool any = pattern.ends_with('*');
        return pad + Quoted(any ? pattern.substr(0, pattern.size() - 1) : pattern, false) +
               (any ? "*) " : ") ") + PrintWords(words, false) + " ;;\n";
    };
    std::string text = fish ? "function __upsconfig_cli_words\n    switch $argv[1]\n"
                            : "_upsconfig_cli_words() {\n    case $1 in\n";
    std::vector<Answer> answers = Answers();
    std::ranges::stable_sort(answers, {}, &Answer::query);
    for (auto a = answers.begin(); a != answers.end();) {
        const auto end = std::find_if(a, answers.end(),
                                      [&](const Answer& other) { return other.query != a->query; });
        if (a->pattern.empty()) {
            text += branch(a->query, a->words, 4);
        } else {
            text += fish ? "    case " + a->query + "\n        switch $argv[2]\n"
                         : "    " + a->query + ")\n        case $2 in\n";
            for (auto b = a; b != end; ++b)
                text += branch(b->pattern, b->words, 8);
            text += fish ? "        end\n" : "        esac ;;\n";
        }
        a = end;
    }
    return text + (fish ? "    end\nend\n" : "    esac\n}\n");
}

constexpr std::string_view kHeader =
    "# Completion for upsconfig-cli, made by 'upsconfig-cli completion' from its tables of\n"
    "# commands, options and settings.\n";

}  // namespace

std::string CompletionScript(std::string_view shell) {
    const std::string sh = std::string(kHeader) + Data(false) + std::string(completion::Sh());
    if (shell == "bash") return sh + std::string(completion::Bash());
    if (shell == "zsh") return "#compdef upsconfig-cli\n" + sh + std::string(completion::Zsh());
    if (shell == "fish") return std::string(kHeader) + Data(true) + std::string(completion::Fish());
    return {};
}

namespace verbs {

int Completion(Command& command) {
    const std::string script = CompletionScript(command.Word(1));
    if (command.JsonOutput()) {
        command.Result()["script"] = script;
    } else {
        command.Out() << script;
    }
    return exit_code::kDone;
}

}  // namespace verbs

}  // namespace upsconfig
