#pragma once

#include <string_view>

namespace upsconfig::completion {

// For bash and zsh: _upsconfig_cli_is QUERY WORD, whether WORD is among the data's answers.
std::string_view ShLookup();
// Each shell's completion function over the data function, and its registration.
std::string_view Bash();
std::string_view Zsh();
std::string_view Fish();

}  // namespace upsconfig::completion
