#pragma once

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "pages/SettingsPage.h"
#include "unit/SettingsImage.h"

namespace upsconfig::support {

struct FieldValue {
    FieldId field;
    unsigned value;
};

// Every byte `fill`, then the given fields: with 0x00 and 0xFF a store that touches a
// neighbour's bits shows in the bytes.
SettingsImage ImageWith(std::uint8_t fill, std::initializer_list<FieldValue> fields);

// The bytes as hex, so that a failed comparison shows where the images differ.
std::string Hex(const SettingsImage& image);

// The string-table text as the help box shows it.
QString HelpText(std::string_view text);

// Puts the system cursor on the middle of control `id`, runs the page's hover help the way a
// mouse move does, and returns what the help box then holds.
QString HoverOver(SettingsPage& page, int id, int helpBoxId);

}  // namespace upsconfig::support
