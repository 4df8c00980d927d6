#include <gtest/gtest.h>

#include <map>

#include "unit/ApplyChanges.h"

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

}  // namespace
}  // namespace upsconfig
