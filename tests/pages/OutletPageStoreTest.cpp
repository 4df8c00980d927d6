// What the outlet pages load, store and keep: both outlets, the factory values, times in whole
// minutes, values out of range, and Same as Outlet1.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "pages/OutletPageFixture.h"

namespace upsconfig {
namespace {

TEST_F(OutletPageTest, LoadThenStoreWritesBackTheSameBitsOnBothOutlets) {
    const SettingsImage base = Base();
    outlet1.LoadSettings(base);
    outlet2.LoadSettings(base);

    EXPECT_EQ(Edit(outlet1, id::kTurnOnDelay)->text(), "2");
    EXPECT_EQ(Edit(outlet1, id::kBatteryTime)->text(), "7");
    EXPECT_EQ(Edit(outlet1, id::kCapacity)->text(), "45");
    EXPECT_EQ(Edit(outlet2, id::kTurnOnDelay)->text(), "11");
    EXPECT_EQ(Edit(outlet2, id::kOnAfterCapacityDelay)->text(), "16");
    EXPECT_EQ(Edit(outlet2, id::kCapacity)->text(), "70");
    // 0xA5: bPROVOB_1, bPROVCL_1, bPROVRL_2, bOOOOB_2 set.
    EXPECT_TRUE(Box(outlet1, id::kOnAfterBatteryBox)->isChecked());
    EXPECT_FALSE(Box(outlet1, id::kOnAfterRuntimeBox)->isChecked());
    EXPECT_FALSE(Box(outlet1, id::kOverloadBox)->isChecked());
    EXPECT_TRUE(Box(outlet2, id::kOnAfterRuntimeBox)->isChecked());
    EXPECT_TRUE(Box(outlet2, id::kOverloadBox)->isChecked());

    SettingsImage stored = base;
    outlet1.StoreSettings(stored);
    outlet2.StoreSettings(stored);
    EXPECT_EQ(stored, base);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(OutletPageTest, FactoryDefaultsShowAndStoreTheDefaultValues) {
    for (OutletPage* page : {&outlet1, &outlet2}) {
        const int half = page->OutletNumber() - 1;
        const SettingsImage base = Base();
        page->LoadSettings(base);
        page->SetFactoryDefaults();

        const std::pair<int, const char*> shown[] = {
            {id::kTurnOnDelay, "0"},         {id::kBatteryTime, "5"},
            {id::kOnAfterBatteryDelay, "0"}, {id::kRuntime, "5"},
            {id::kOnAfterRuntimeDelay, "0"}, {id::kCapacity, "20"},
            {id::kOnAfterCapacityDelay, "0"}};
        for (auto [id, text] : shown)
            EXPECT_EQ(Edit(*page, id)->text(), text) << id;
        for (int id :
             {id::kOverloadBox, id::kOffOnBatteryBox, id::kOffOnRuntimeBox, id::kOffOnCapacityBox})
            EXPECT_FALSE(Box(*page, id)->isChecked()) << id;
        for (int id : {id::kOnAfterBatteryBox, id::kOnAfterRuntimeBox, id::kOnAfterCapacityBox})
            EXPECT_TRUE(Box(*page, id)->isChecked()) << id;
        for (int id : {id::kBatteryTime, id::kOnAfterBatteryBox, id::kOnAfterBatteryDelay,
                       id::kRuntime, id::kOnAfterRuntimeBox, id::kOnAfterRuntimeDelay,
                       id::kCapacity, id::kOnAfterCapacityBox, id::kOnAfterCapacityDelay})
            EXPECT_FALSE(Enabled(*page, id)) << id;
        EXPECT_TRUE(Enabled(*page, id::kTurnOnDelay));
        EXPECT_TRUE(Enabled(*page, id::kOverloadBox));

        SettingsImage stored = base;
        page->StoreSettings(stored);
        const std::pair<F, unsigned> values[] = {
            {F::OutletOnDT_H_A, 0},
            {F::OutletOnAftACRecDT_H_A, 0},
            {F::OutletOnAftRTlessDT_H_A, 0},
            {F::OutletOnAftCPlessDT_H_A, 0},
            {F::OutletOffAftACOffDT_H_A, 300},
            {F::BatWeakRunTime_H_A, 300},
        };
        for (auto [field, value] : values)
            EXPECT_EQ(GetWord(stored, ForOutlet(field, half)), value) << Field(field).name;
        EXPECT_EQ(GetField(stored, ForOutlet(F::BatWeakPer_A, half)), 20u);
        const std::pair<F, unsigned> bits[] = {
            {F::bOOOOB_1, 0},  {F::bOUPLOF_1, 0}, {F::bOBRLOF_1, 0}, {F::bOBCLOF_1, 0},
            {F::bPROVOB_1, 1}, {F::bPROVRL_1, 1}, {F::bPROVCL_1, 1}};
        for (auto [field, value] : bits)
            EXPECT_EQ(GetField(stored, ForOutlet(field, half)), value) << Field(field).name;
        ExpectOthersUntouched(base, stored, half ? EditedOn::Outlet2Page : EditedOn::Outlet1Page);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(OutletPageTest, SecondsBelowAMinuteAreDroppedAndOversizedTimesStoreAsWholeMinutes) {
    SettingsImage base = Base();
    SetWord(base, F::OutletOnAftACRecDT_H_A, 90);
    SetWord(base, F::OutletOnDT_H_A, 65535);
    outlet1.LoadSettings(base);
    EXPECT_EQ(Edit(outlet1, id::kOnAfterBatteryDelay)->text(), "1");
    EXPECT_EQ(Edit(outlet1, id::kTurnOnDelay)->text(), "1092");

    // 1092 shown as the unit holds it is no entry of the user's: no message, nothing refused.
    SettingsImage stored = base;
    EXPECT_TRUE(outlet1.StoreSettings(stored));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(GetWord(stored, F::OutletOnAftACRecDT_H_A), 60u);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 65520u);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftCPlessDT_H_A), 6u * 60);

    // Typed, the same number is refused.
    Edit(outlet1, id::kTurnOnDelay)->setText(QStringLiteral("1093"));
    EXPECT_FALSE(outlet1.StoreSettings(stored));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.contains("0"));
    EXPECT_TRUE(Messages()[0].text.contains("30"));
}

TEST_F(OutletPageTest, OutOfRangeCapacityStopsTheReadingAndKeepsTheUnitsValues) {
    ASSERT_TRUE(ShowActive(outlet1));
    const SettingsImage base = Base();
    outlet1.LoadSettings(base);

    Box(outlet1, id::kOverloadBox)->click();  // read before 1026: taken
    Edit(outlet1, id::kCapacity)->setText("81");
    const std::pair<int, const char*> typed[] = {{id::kRuntime, "29"},
                                                 {id::kBatteryTime, "28"},
                                                 {id::kOnAfterBatteryDelay, "27"},
                                                 {id::kOnAfterRuntimeDelay, "26"},
                                                 {id::kTurnOnDelay, "25"},
                                                 {id::kOnAfterCapacityDelay, "24"}};
    for (auto [id, text] : typed)
        Edit(outlet1, id)->setText(text);

    SettingsImage stored = base;
    outlet1.StoreSettings(stored);
    ASSERT_EQ(Messages().size(), 1u);
    const auto message = Messages()[0];
    EXPECT_TRUE(message.text.contains("20") && message.text.contains("80"))
        << message.text.toStdString();
    EXPECT_EQ(message.style, MessageStyle::Ok | MessageStyle::IconExclamation);
    EXPECT_EQ(QApplication::focusWidget(), Edit(outlet1, id::kCapacity));

    EXPECT_EQ(GetField(stored, F::BatWeakPer_A), 45u);
    EXPECT_EQ(GetField(stored, F::bOOOOB_1), 1u);
    SettingsImage expected = base;
    SetField(expected, F::bOOOOB_1, 1);
    EXPECT_EQ(stored, expected);  // the six later edits kept their loaded values

    // Once mended, the typed values go through.
    Edit(outlet1, id::kCapacity)->setText("50");
    outlet1.StoreSettings(stored);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(GetField(stored, F::BatWeakPer_A), 50u);
    EXPECT_EQ(GetWord(stored, F::BatWeakRunTime_H_A), 29u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftCPlessDT_H_A), 24u * 60);
}

TEST_F(OutletPageTest, TextThatIsNotAWholeNumberStopsTheReadingThere) {
    ASSERT_TRUE(ShowActive(outlet1));
    const SettingsImage base = Base();
    outlet1.LoadSettings(base);

    Edit(outlet1, id::kBatteryTime)->setText(" 8 ");  // blanks around a number are fine
    Edit(outlet1, id::kOnAfterBatteryDelay)->setText("20");
    Edit(outlet1, id::kTurnOnDelay)->setText("abc");
    Edit(outlet1, id::kOnAfterCapacityDelay)->setText("5");
    SettingsImage stored = base;
    outlet1.StoreSettings(stored);

    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.contains("whole number"));
    EXPECT_FALSE(Messages()[0].text.contains("30"));
    EXPECT_EQ(QApplication::focusWidget(), Edit(outlet1, id::kTurnOnDelay));
    EXPECT_EQ(GetWord(stored, F::OutletOffAftACOffDT_H_A), 8u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftACRecDT_H_A), 20u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 2u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftCPlessDT_H_A), 6u * 60);  // 1027 not read

    // An empty edit is not a number either; nothing after it is read.
    Edit(outlet1, id::kTurnOnDelay)->setText("3");
    Edit(outlet1, id::kRuntime)->setText("");
    outlet1.StoreSettings(stored);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].text, Messages()[0].text);
    EXPECT_EQ(GetWord(stored, F::BatWeakRunTime_H_A), 9u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 2u * 60);
}

TEST_F(OutletPageTest, SameAsOutlet1CopiesEveryOutlet1ValueButNotTheRebootDelay) {
    EXPECT_FALSE(Box(outlet2, id::kSameAsOutlet1)->isHidden());
    EXPECT_TRUE(Box(outlet1, id::kSameAsOutlet1)->isHidden());

    const SettingsImage base = Base();
    outlet1.LoadSettings(base);
    outlet2.LoadSettings(base);
    Box(outlet2, id::kSameAsOutlet1)->click();
    for (int id :
         {id::kTurnOnDelay, id::kOverloadBox, id::kBatteryTime, id::kOnAfterBatteryBox,
          id::kOnAfterBatteryDelay, id::kRuntime, id::kOnAfterRuntimeBox, id::kOnAfterRuntimeDelay,
          id::kCapacity, id::kOnAfterCapacityBox, id::kOnAfterCapacityDelay, id::kOffOnBatteryBox,
          id::kOffOnRuntimeBox, id::kOffOnCapacityBox})
        EXPECT_FALSE(Enabled(outlet2, id)) << id;

    // Outlet1 writes first, then Outlet2 copies what it wrote.
    Edit(outlet1, id::kTurnOnDelay)->setText("30");
    Box(outlet1, id::kOverloadBox)->click();
    SettingsImage stored = base;
    outlet1.StoreSettings(stored);
    outlet2.StoreSettings(stored);
    for (const auto& [a, b] : kOutletPairs)
        EXPECT_EQ(GetField(stored, b), GetField(stored, a)) << Field(b).name;
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_B), 30u * 60);
    EXPECT_EQ(GetField(stored, F::bOOOOB_2), 1u);
    EXPECT_EQ(GetWord(stored, F::OutletRebootDT_H_B), GetWord(base, F::OutletRebootDT_H_B));

    // Unchecked again: the page's own controls count once more.
    Box(outlet2, id::kSameAsOutlet1)->click();
    EXPECT_TRUE(Enabled(outlet2, id::kTurnOnDelay));
    stored = base;
    outlet2.StoreSettings(stored);
    EXPECT_EQ(stored, base);

    // On Outlet1 the box is hidden and has no say, even when checked.
    Box(outlet1, id::kSameAsOutlet1)->setChecked(true);
    outlet1.UpdateOutletControls();
    EXPECT_TRUE(Enabled(outlet1, id::kTurnOnDelay));
    Edit(outlet1, id::kTurnOnDelay)->setText("4");
    outlet1.StoreSettings(stored);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 4u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_B), GetWord(base, F::OutletOnDT_H_B));
}

}  // namespace
}  // namespace upsconfig
