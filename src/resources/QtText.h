#pragma once

#include <QString>
#include <string_view>

#include "resources/StringTable.h"

namespace upsconfig {

// Texts of the tables are UTF-8 string views; widgets want QString.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A string-table entry as a QString (empty for an unknown id).
inline QString LoadText(int id) { return ToQString(LoadString(id)); }

}  // namespace upsconfig
