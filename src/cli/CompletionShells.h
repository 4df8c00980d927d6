#pragma once

#include <string_view>

namespace upsconfig::completion {

// For bash and zsh: _upsconfig_cli_is QUERY WORD, whether WORD is among the data's answers, and
// _upsconfig_cli_offer CUR WORDS..., what completes CUR after WORDS.
std::string_view Sh();
// Each shell's completion function over the data function, and its registration.
std::string_view Bash();
std::string_view Zsh();
std::string_view Fish();

}  // namespace upsconfig::completion
