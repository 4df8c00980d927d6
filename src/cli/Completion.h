#pragma once

#include <string>
#include <string_view>

namespace upsconfig {

// The completion script for bash, zsh or fish, made from the verb table, the options and the
// settings: verbs, options, the arguments' fixed words, files, setting keys and the values each
// key takes (as a person types them, over every model). Empty for another shell.
std::string CompletionScript(std::string_view shell);

}  // namespace upsconfig
