#pragma once

#include <span>
#include <string>
#include <string_view>

#include "unit/SettingsImage.h"

namespace upsconfig {

// How a value is shown to a person.
enum class ValueKind {
    Number,        // the number, with its unit if any
    Check,         // 1 "On", 0 "Off"
    InverseCheck,  // a box that shows the inverse: 0 "On", 1 "Off"
    List,          // the item at the value's position
    Voltage,       // the output-voltage code, by the model's voltage group
    Seconds,       // a time in seconds, shown in minutes as the outlet pages do
    Percent,
};

// One setting as a person meets it: where the pages show it, under which label, and what its
// values mean. A 16-bit time is one setting over its _H_ and _L_ fields. Every field of the
// settings file belongs to exactly one setting.
struct SettingMeaning {
    FieldId field;  // the field, or the _H_ field of a 16-bit time
    bool word;      // the value is field * 256 + the next field
    EditedOn page;
    int controlId;           // the control that holds it; 0 for a group of radio buttons
    std::string_view group;  // the group box around the control, if that tells it apart
    std::string_view label;  // the text beside or on the control (the key without a page)
    ValueKind kind;
    std::span<const std::string_view> items;  // List: the text of each value, star removed
    std::string_view unit;  // of its numbers as the page shows them: "min", "%", "V", "weeks"
    // The page lets it change only while the UPS is in standby (its output off).
    bool standbyOnly = false;
};

// The setting a field belongs to (a 16-bit time: either of its fields); nullptr for the report
// writer's bookkeeping, the model code and the spare byte.
const SettingMeaning* MeaningOf(FieldId field);

// All settings, in the pages' store order (UPS, dry contact, battery, parallel, Outlet1,
// Outlet2, ECO), then those no page shows.
std::span<const SettingMeaning> SettingMeanings();

// The tab's words for a page (" UPS " gives "UPS"); empty for no page.
std::string_view PageName(EditedOn page);

unsigned ValueOf(const SettingsImage& image, const SettingMeaning& setting);
void SetValue(SettingsImage& image, const SettingMeaning& setting, unsigned value);

// A value as the page would show it, e.g. "5 min", "120 V", "On"; values without a meaning
// are shown as their number.
std::string ValueText(const SettingMeaning& setting, unsigned value, int modelCode);

// "Page / group / label", or the key for a setting no page shows.
std::string SettingName(const SettingMeaning& setting);

}  // namespace upsconfig
