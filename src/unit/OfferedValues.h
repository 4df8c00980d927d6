#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "unit/SettingMeaning.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// A value a page offers: its raw code and its text as the page shows it ("120 V", "On").
struct OfferedValue {
    unsigned raw;
    std::string text;
};

// Numbers typed into an edit, in the unit the page shows them in (minutes, percent).
struct NumberRange {
    unsigned min;
    unsigned max;
    unsigned step;
};

// What the page that edits a setting offers on a unit whose settings are `image` (its model and,
// for the parallel unit id, the number of units): every value it can show and keep, in the
// page's order (a box: On, then Off), and for the settings typed as numbers their range.
// Nothing for a setting no page of this model shows.
struct Offered {
    std::vector<OfferedValue> values;
    std::optional<NumberRange> range;
};
Offered OfferedValues(const SettingMeaning& setting, const SettingsImage& image);

// Why no page of this model shows the setting; nullopt where one does.
std::optional<std::string> NotOnThePages(const SettingMeaning& setting, int modelCode);

// The offered values as a refusal lists them: "from 2 min to 30 min", "one of: 110 V, 115 V".
std::string OfferedText(const SettingMeaning& setting, const SettingsImage& image);

// A typed value read as a person means it, among the values offered on `image`: a text as the
// page shows it ("120 V", "Normally Open (Default)"), case and blanks aside; a number in the
// unit the page shows ("12" weeks, "5" minutes, "120" volts), 1 and 0 for On and Off; or any raw
// code written "raw:N". nullopt when it is none of these.
std::optional<unsigned> ReadSettingValue(const SettingMeaning& setting, std::string_view text,
                                         const SettingsImage& image);

// A typed key or value as it is compared: lower case, without blanks.
std::string Folded(std::string_view text);

// The shortest text ReadSettingValue takes for an offered value: its number where the page
// shows one number with a unit ("110" for "110 V"), else its text.
std::string TypedForm(const OfferedValue& value);

}  // namespace upsconfig
