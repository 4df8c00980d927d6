#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace upsconfig {

// The command line's --json output: objects keep their keys in the order set.
using Json = nlohmann::ordered_json;

// Two-space indentation, a line per member, a line feed at the end. A byte that is not UTF-8
// (an argument, a device's text, a file name) is written as U+FFFD, so the output always parses.
std::string DumpJson(const Json& json);

// A text, or null when it is empty.
Json TextOrNull(const std::string& text);

}  // namespace upsconfig
