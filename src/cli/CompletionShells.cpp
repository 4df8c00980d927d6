// The parts of the completion scripts that do not come from the tables: what each shell runs
// to find the words for the word under the cursor.
#include "cli/CompletionShells.h"

namespace upsconfig::completion {
namespace {

// For bash and zsh: whether WORD is among the answers to QUERY, and what completes the word
// under the cursor.
constexpr std::string_view kSh = R"script(_upsconfig_cli_is() {  # QUERY WORD
    local nl='
'
    [[ "$nl$(_upsconfig_cli_words "$1")$nl" == *"$nl$2$nl"* ]]
}

# What completes CUR after the WORDS before it (the program's name left out): a first line
# "words", "file", "key", "setting" or "number", then for "words" the words.
_upsconfig_cli_offer() {  # CUR WORDS...
    local cur=$1 verb= ended= w n=0
    shift
    while (($#)); do
        w=$1
        shift
        if [[ -z $ended && $w == -?* ]]; then
            if [[ $w == -- ]]; then
                ended=1
            elif _upsconfig_cli_is valued "$w"; then
                if ((!$#)); then
                    if _upsconfig_cli_is files "$w"; then echo file; else echo words; fi
                    return
                fi
                shift
            fi
        elif [[ -z $verb ]]; then
            verb=$w
        else
            n=$((n + 1))
        fi
    done
    if [[ -z $ended && $cur == -* ]]; then
        echo words
        _upsconfig_cli_words common
        _upsconfig_cli_words options "$verb"
    elif [[ -z $verb ]]; then
        echo words
        _upsconfig_cli_words verbs
    else
        _upsconfig_cli_words argument "$verb:$((n + 1))"
    fi
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
    local words=() c
    local -a offered=()
    _upsconfig_cli_split "${COMP_LINE:0:COMP_POINT}"
    local cur=${words[${#words[@]} - 1]}
    mapfile -t offered < <(_upsconfig_cli_offer "$cur" "${words[@]:1:${#words[@]}-2}")
    local kind=${offered[0]}
    offered=("${offered[@]:1}")
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
    local cur=${(Q)words[CURRENT]}
    local -a offered
    offered=("${(@f)$(_upsconfig_cli_offer "$cur" "${(@Q)words[2,CURRENT-1]}")}")
    local kind=${offered[1]}
    offered=("${(@)offered[2,-1]}")
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
        case words
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

std::string_view Sh() { return kSh; }
std::string_view Bash() { return kBash; }
std::string_view Zsh() { return kZsh; }
std::string_view Fish() { return kFish; }

}  // namespace upsconfig::completion
