#include "cli/Completion.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cli/Command.h"
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
    return "word";
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

// Whether WORD is among the answers to QUERY; for bash and zsh.
constexpr std::string_view kShIs = R"script(_upsconfig_cli_is() {  # QUERY WORD
    local nl='
'
    [[ "$nl$(_upsconfig_cli_words "$1")$nl" == *"$nl$2$nl"* ]]
}
)script";

constexpr std::string_view kBash = R"script(
# The line up to the cursor split into words, quotes and backslashes undone: the last word is
# the one being completed, whole (with its KEY= part).
_upsconfig_cli_split() {
    local line=$1 word= quote= c i
    words=()
    for ((i = 0; i < ${#line}; i++)); do
        c=${line:i:1}
        if [[ -n $quote ]]; then
            if [[ $c == "$quote" ]]; then quote=; else word+=$c; fi
        elif [[ $c == \\ ]]; then
            i=$((i + 1))
            word+=${line:i:1}
        elif [[ $c == [\"\'] ]]; then
            quote=$c
        elif [[ $c == [[:blank:]] ]]; then
            [[ -n $word ]] && words+=("$word")
            word=
        else
            word+=$c
        fi
    done
    words+=("$word")
}

_upsconfig_cli() {
    local words=() verb= kind= ended= valued= w c i n=0
    local -a offered=()
    _upsconfig_cli_split "${COMP_LINE:0:COMP_POINT}"
    local cur=${words[${#words[@]} - 1]}
    for ((i = 1; i < ${#words[@]} - 1; i++)); do
        w=${words[i]}
        if [[ -z $ended && $w == -?* ]]; then
            if [[ $w == -- ]]; then
                ended=1
            elif _upsconfig_cli_is valued "$w"; then
                ((i == ${#words[@]} - 2)) && valued=$w
                i=$((i + 1))
            fi
        elif [[ -z $verb ]]; then
            verb=$w
        else
            n=$((n + 1))
        fi
    done
    if [[ -n $valued ]]; then
        _upsconfig_cli_is files "$valued" && kind=file
    elif [[ -z $ended && $cur == -* ]]; then
        mapfile -t offered < <(_upsconfig_cli_words common; _upsconfig_cli_words options "$verb")
    elif [[ -z $verb ]]; then
        mapfile -t offered < <(_upsconfig_cli_words verbs)
    else
        mapfile -t offered < <(_upsconfig_cli_words argument "$verb:$((n + 1))")
        kind=${offered[0]}
        offered=("${offered[@]:1}")
    fi
    case $kind in
    file)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return ;;
    key) mapfile -t offered < <(_upsconfig_cli_words keys) ;;
    setting)
        if [[ $cur == *=* ]]; then
            mapfile -t offered < <(_upsconfig_cli_words values "${cur%%=*}")
            offered=("${offered[@]/#/${cur%%=*}=}")
        else
            mapfile -t offered < <(_upsconfig_cli_words keys)
            offered=("${offered[@]/%/=}")
        fi ;;
    esac
    # Readline replaces only what follows the last word break (= or :) in the word.
    local breaks=${COMP_WORDBREAKS//[^=:]/} before=
    [[ -n $breaks && $cur == *["$breaks"]* ]] && before=${cur%"${cur##*["$breaks"]}"}
    COMPREPLY=()
    for c in "${offered[@]}"; do
        [[ -n $c && $c == "$cur"* ]] || continue
        printf -v c '%q' "${c#"$before"}"
        COMPREPLY+=("$c")
    done
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
    return 0
}
complete -F _upsconfig_cli upsconfig-cli
)script";

constexpr std::string_view kZsh = R"script(
_upsconfig-cli() {
    local cur=${(Q)words[CURRENT]} verb= kind= ended= valued= w
    local -i i n=0
    local -a offered
    for ((i = 2; i < CURRENT; i++)); do
        w=${(Q)words[i]}
        if [[ -z $ended && $w == -?* ]]; then
            if [[ $w == -- ]]; then
                ended=1
            elif _upsconfig_cli_is valued "$w"; then
                ((i == CURRENT - 1)) && valued=$w
                i=$((i + 1))
            fi
        elif [[ -z $verb ]]; then
            verb=$w
        else
            n=$((n + 1))
        fi
    done
    if [[ -n $valued ]]; then
        _upsconfig_cli_is files "$valued" && _files
        return
    elif [[ -z $ended && $cur == -* ]]; then
        offered=(${(f)"$(_upsconfig_cli_words common; _upsconfig_cli_words options "$verb")"})
    elif [[ -z $verb ]]; then
        offered=(${(f)"$(_upsconfig_cli_words verbs)"})
    else
        offered=(${(f)"$(_upsconfig_cli_words argument "$verb:$((n + 1))")"})
        kind=${offered[1]}
        offered=("${(@)offered[2,-1]}")
    fi
    case $kind in
    file) _files; return ;;
    key) offered=(${(f)"$(_upsconfig_cli_words keys)"}) ;;
    setting)
        if [[ $cur == *=* ]]; then
            offered=(${(f)"$(_upsconfig_cli_words values "${cur%%=*}")"})
            compset -P '*='
        else
            compadd -S '=' -- ${(f)"$(_upsconfig_cli_words keys)"}
            return
        fi ;;
    esac
    compadd -- "${offered[@]}"
}

_upsconfig-cli "$@"
)script";

constexpr std::string_view kFish = R"script(
function __upsconfig_cli_complete
    set -l words (commandline -opc)
    set -l cur (commandline -ct)
    set -l verb
    set -l ended
    set -l valued
    set -l n 0
    set -l i 2
    while test $i -le (count $words)
        set -l w $words[$i]
        if test -z "$ended"; and string match -qr -- '^-.' $w
            if test "$w" = --
                set ended 1
            else if contains -- $w (__upsconfig_cli_words valued)
                test $i -eq (count $words); and set valued $w
                set i (math $i + 1)
            end
        else if test -z "$verb"
            set verb $w
        else
            set n (math $n + 1)
        end
        set i (math $i + 1)
    end
    if test -n "$valued"
        contains -- $valued (__upsconfig_cli_words files); and __fish_complete_path $cur
        return
    end
    if test -z "$ended"; and string match -q -- '-*' $cur
        __upsconfig_cli_words common
        __upsconfig_cli_words options $verb
        return
    end
    if test -z "$verb"
        __upsconfig_cli_words verbs
        return
    end
    set -l offered (__upsconfig_cli_words argument $verb:(math $n + 1))
    set -l kind $offered[1]
    set -e offered[1]
    switch "$kind"
        case word
            printf '%s\n' $offered
        case file
            __fish_complete_path $cur
        case key
            __upsconfig_cli_words keys
        case setting
            if string match -q -- '*=*' $cur
                set -l key (string split -m 1 = -- $cur)[1]
                for value in (__upsconfig_cli_words values $key)
                    printf '%s=%s\n' $key $value
                end
            else
                for key in (__upsconfig_cli_words keys)
                    printf '%s=\n' $key
                end
            end
    end
end

complete -c upsconfig-cli -f -a '(__upsconfig_cli_complete)'
)script";

}  // namespace

std::string CompletionScript(std::string_view shell) {
    const std::string sh = std::string(kHeader) + Data(false) + std::string(kShIs);
    if (shell == "bash") return sh + std::string(kBash);
    if (shell == "zsh") return "#compdef upsconfig-cli\n" + sh + std::string(kZsh);
    if (shell == "fish") return std::string(kHeader) + Data(true) + std::string(kFish);
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
