#pragma once

#include <string_view>

namespace upsconfig {

// The string table: resource id -> exact text (\r\n line breaks and blanks as they stand).
// Unknown ids give an empty text, as a missing resource string would.
std::string_view LoadString(int id);

}  // namespace upsconfig
