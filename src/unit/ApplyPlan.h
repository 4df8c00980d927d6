#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "unit/SettingMeaning.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// One setting an Apply changes.
struct SettingChange {
    const SettingMeaning* setting;
    unsigned from;
    unsigned to;
};

// Who keeps a value from the unit: the pages, which cannot carry it as asked, or the unit,
// whose model takes only some reports.
enum class IgnoredBy { Pages, Unit };

// A value that was asked for but will not reach the unit, and why.
struct IgnoredValue {
    const SettingMeaning* setting;
    unsigned value;
    std::string reason;
    IgnoredBy by = IgnoredBy::Pages;
};

// What an Apply writes, decided before anything is written. A change the unit of this model does
// not take (it takes report 0x32 alone) is never planned: it is listed as ignored instead.
struct ApplyPlan {
    SettingsImage write;  // for the report writer; the image as read when nothing changes
    std::vector<SettingChange> changes;
    std::vector<IgnoredValue> ignored;

    // A change that the pages allow only while the UPS is in standby.
    bool NeedsStandby() const;
    // The keys of the changes, blank-separated: what a backup notes of the write.
    std::string ChangedKeys() const;
};

// The window's Apply: `edited` is what the pages stored over the image as read. Only what the
// user changed is written (KeepWhatWasNotChanged against what the pages make of the image as
// read).
ApplyPlan PlanApply(const SettingsImage& asRead, const SettingsImage& edited);

// Settings wanted from a file or the command line (the image as read with the wanted values in
// it, its model code kept): what uploading them into the window and applying would write.
// Values that would not arrive as wanted are listed with the reason.
ApplyPlan PlanWanted(const SettingsImage& asRead, const SettingsImage& wanted);

// Every setting exactly as `wanted` holds it, pages or not: a backup brought back.
ApplyPlan PlanExact(const SettingsImage& asRead, const SettingsImage& wanted);

// The changes of a plan made from an earlier read, over what the unit holds now: what another
// program (or the unit itself) changed in between stays, and only the planned changes go.
ApplyPlan PlanOnTopOf(const SettingsImage& asRead, const ApplyPlan& earlier);

// A change as the pages show it: "UPS / Output Voltage: 120 V -> 230 V".
std::string DescribeChange(const SettingChange& change, int modelCode);

// The name a person types for a setting: its field, and for a 16-bit time the field without
// the _H_ ("OutletOnDT_A").
std::string SettingKey(const SettingMeaning& setting);
// The setting of a key, case-insensitive; the _H_ and _L_ fields of a time name it too.
const SettingMeaning* FindSetting(std::string_view key);

}  // namespace upsconfig
