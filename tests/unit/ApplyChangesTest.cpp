#include <gtest/gtest.h>

#include <map>

#include "unit/ApplyChanges.h"
#include "unit/ApplyPlan.h"
#include "unit/PageValues.h"

namespace upsconfig {
namespace {

using enum FieldId;

TEST(SettingMeaningTest, EveryFileFieldIsOneSettingAndNothingElseIs) {
    std::map<FieldId, int> uses;
    for (const SettingMeaning& setting : SettingMeanings()) {
        ++uses[setting.field];
        if (setting.word) ++uses[static_cast<FieldId>(static_cast<int>(setting.field) + 1)];
    }
    for (const FieldInfo& field : Fields())
        EXPECT_EQ(uses[field.id], field.inSettingsFile ? 1 : 0) << field.name;
    // A setting is shown on the page that stores it.
    for (const SettingMeaning& setting : SettingMeanings())
        EXPECT_EQ(setting.page, Field(setting.field).editedOn) << SettingName(setting);
}

TEST(ApplyChangesTest, WhatWasNotChangedKeepsItsValueAsRead) {
    // As read: 90 s, which the page shows as 1 minute and stores back as 60 s.
    SettingsImage asRead;
    SetWord(asRead, OutletOnDT_H_A, 90);
    SetField(asRead, bReverseDect, 1);  // hidden box: stored back as 0
    SetField(asRead, bECOMode, 3);      // no list item: stored back unchanged
    SetField(asRead, bSpare, 7);
    SettingsImage roundTrip = asRead;
    SetWord(roundTrip, OutletOnDT_H_A, 60);
    SetField(roundTrip, bReverseDect, 0);

    // Nothing edited: the unit's values stay, to the bit.
    EXPECT_EQ(KeepWhatWasNotChanged(asRead, roundTrip, roundTrip), asRead);

    // 65 min = 0x0F3C: its low byte equals the round trip's (0x3C), yet the time is new.
    SettingsImage edited = roundTrip;
    SetWord(edited, OutletOnDT_H_A, 65 * 60);
    SetField(edited, bAlarmCtrl, 1);
    SettingsImage expected = asRead;
    SetWord(expected, OutletOnDT_H_A, 65 * 60);
    SetField(expected, bAlarmCtrl, 1);
    EXPECT_EQ(KeepWhatWasNotChanged(asRead, edited, roundTrip), expected);
}

TEST(ApplyChangesTest, UnheldSettingsAreFoundInTheWrittenBytesAndNamedAsThePagesShowThem) {
    SettingsImage written;
    SetField(written, bModelCode, 3);
    SetField(written, bOutputLevel, 3);
    SetField(written, bInvFirstMode, 0);
    SetWord(written, OutletOnDT_H_B, 300);
    SetField(written, BatWeakPer_A, 20);
    SetField(written, bECOMode, 1);
    SetField(written, bCommandFlags, 0x03);
    SettingsImage held = written;
    SetField(held, bOutputLevel, 1);
    SetField(held, bInvFirstMode, 1);
    SetWord(held, OutletOnDT_H_B, 90);
    SetField(held, BatWeakPer_A, 80);  // not written: not compared
    SetField(held, bECOMode, 3);
    SetField(held, bCommandFlags, 0);  // bookkeeping: no setting

    std::bitset<SettingsImage::kSize> bytes;
    for (std::size_t b : {0, 3, 4, 5, 6, 7, 26, 27})
        bytes.set(b);
    std::vector<std::string> lines;
    for (const UnheldSetting& u : FindUnheldSettings(written, held, bytes))
        lines.push_back(DescribeUnheld(u, 3));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "UPS / Output Voltage: written 120 V, the UPS holds 110 V",
                         "UPS / Startup on Bypass: written On, the UPS holds Off",
                         "Outlet2 / Turn on delay: written 5 min, the UPS holds 1 min 30 s",
                         "ECO Mode / ECO Mode: written On, the UPS holds 3",
                     }));
}

// Changes planned from an earlier read go over what the unit holds now: another's change in
// between stays, a change the unit already holds is no change, and what the unit does not take
// is still named.
TEST(ApplyChangesTest, ChangesPlannedEarlierGoOverWhatTheUnitHoldsNow) {
    for (const int model : {3, 54}) {
        SCOPED_TRACE(model);
        const SettingsImage earlier = FactorySettings(model);
        SettingsImage edited = earlier;
        SetField(edited, bAlarmCtrl, 0);     // report 0x32
        SetField(edited, bEodMode, 1);       // report 0x32, made meanwhile by another too
        SetField(edited, BatWeakPer_B, 60);  // report 0x3F, which model 54 does not take
        const ApplyPlan planned = PlanApply(earlier, edited);
        SettingsImage now = earlier;
        SetField(now, BatWeakPer_A, 50);
        SetField(now, bEodMode, 1);

        const ApplyPlan plan = PlanOnTopOf(now, planned);
        EXPECT_EQ(GetField(plan.write, BatWeakPer_A), 50u);
        EXPECT_EQ(GetField(plan.write, bAlarmCtrl), 0u);
        EXPECT_EQ(plan.ChangedKeys(), model == 3 ? "bAlarmCtrl BatWeakPer_B" : "bAlarmCtrl");
        ASSERT_EQ(plan.ignored.size(), model == 3 ? 0u : 1u);
        if (model == 54) {
            EXPECT_EQ(plan.ignored[0].setting->field, BatWeakPer_B);
        }
    }
}

}  // namespace
}  // namespace upsconfig
