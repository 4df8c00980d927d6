// Apply after edits on the pages: the save question, what is written and in which order, and
// what a lost link or a No leaves.
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <algorithm>

#include "app/ActionsFixture.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

// The UPS page's output-voltage list and alarm box, edited as a user would in standby.
class Edits : public ActionsTest {
  protected:
    QComboBox* VoltageList() { return Pages().Ups()->Control<QComboBox>(ids::ups::kVoltage); }
    QCheckBox* AlarmBox() { return Pages().Ups()->Control<QCheckBox>(ids::ups::kAlarm); }

    void EditInStandby() {
        Flags().upsOn = 0;
        Pages().ApplyState();
        ASSERT_TRUE(VoltageList()->isEnabled());
        VoltageList()->setCurrentIndex(1);  // "115": voltage code 2
        AlarmBox()->setChecked(false);
    }
};

TEST_F(Edits, TheSaveQuestionListsTheChangesAsThePagesShowThem) {
    Ready();
    services.messageAnswers = {ButtonId::Cancel};
    Actions().Apply();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].details, "No setting differs from what the UPS holds.");

    EditInStandby();
    services.calls.clear();
    services.messageAnswers = {ButtonId::Cancel};
    Actions().Apply();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Do you want to save change?");
    EXPECT_EQ(
        Messages()[0].details,
        "UPS / Output Voltage: 120 V -> 115 V\nUPS / Enable Audible Alarm Control: On -> Off");
    EXPECT_TRUE(bus.WrittenIds().empty());
}

TEST_F(Edits, ApplyWritesTheChangedReportsAndConfirms) {
    Ready();
    const SimulatedUps::ReportData summaryBefore = unit.SettingsReport(0x44);
    EditInStandby();
    services.messageAnswers = {ButtonId::Yes};
    QTest::mouseClick(Button(ids::window::kApply), Qt::LeftButton);

    EXPECT_EQ(bus.WrittenIds(), (Ids{0x32, 0x44}));
    const SettingsImage held = unit.HeldImage();
    EXPECT_EQ(GetField(held, FieldId::bOutputLevel), 2u);
    EXPECT_EQ(GetField(held, FieldId::bAlarmCtrl), 0u);
    ASSERT_TRUE(bus.LastWrite(0x44).has_value());
    EXPECT_EQ((*bus.LastWrite(0x44))[2], summaryBefore[2] | 0x03);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].text, "The changes have been saved and\nwill take effect immediately");
    EXPECT_EQ(Messages()[1].caption, "Setting");
    EXPECT_EQ(Messages()[1].style, 0u);
    // Each write attempt is followed by 200 ms; then the 5 s wait and the reload.
    EXPECT_EQ(pauser.Pauses(), (std::vector<int>{200, 200, 5000}));
    EXPECT_EQ(VoltageList()->currentIndex(), 1);
    EXPECT_FALSE(AlarmBox()->isChecked());
}

TEST_F(Edits, ApplyAnsweredNoDropsTheEditsAndCancelGoesBackToThem) {
    Ready();
    EditInStandby();
    services.messageAnswers = {ButtonId::Cancel};
    Actions().Apply();
    // Cancel: no write, no wait, no reload; the edits stay on the pages.
    EXPECT_TRUE(bus.WrittenIds().empty());
    EXPECT_EQ(bus.ReadIds(), Concat({{0x33, 0x09}, kAllReportsRead}));
    EXPECT_TRUE(pauser.Pauses().empty());
    EXPECT_EQ(VoltageList()->currentIndex(), 1);
    EXPECT_FALSE(AlarmBox()->isChecked());

    bus.ClearLog();
    services.messageAnswers = {ButtonId::No};
    Actions().Apply();
    EXPECT_TRUE(bus.WrittenIds().empty());
    EXPECT_EQ(Messages().size(), 2u);  // the two questions alone
    EXPECT_EQ(pauser.Pauses(), std::vector<int>{5000});
    EXPECT_EQ(bus.ReadIds(), Concat({{0x33, 0x09}, kAllReportsRead, kAllReportsRead}));
    EXPECT_EQ(VoltageList()->currentIndex(), 2);  // "*120" as the unit holds it
    EXPECT_TRUE(AlarmBox()->isChecked());
}

TEST_F(Edits, LinkLostDuringTheWriteIsToldAndTheReloadFollows) {
    support::ScriptedAppServices unplugging;
    unplugging.onMessage = [this](const QString& caption) {
        if (caption == "Save setting") bus.Unplug();
    };
    Ready();
    SetServices(&unplugging);
    EditInStandby();
    unplugging.messageAnswers = {ButtonId::Yes};
    Actions().Apply();

    const auto messages = unplugging.CallsOf(Kind::Message);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "communication lost,\nplease try again");
    EXPECT_EQ(messages[1].caption, "communication lost");
    EXPECT_EQ(messages[1].style, 0x10u);
    EXPECT_TRUE(bus.WrittenIds().empty());
    const std::vector<int> pauses = pauser.Pauses();
    const auto wait = std::find(pauses.begin(), pauses.end(), 5000);
    ASSERT_NE(wait, pauses.end());
    EXPECT_EQ(std::count(wait + 1, pauses.end(), 200), 33);  // the reload tried everything
    // The failed reload leaves the pages as they were.
    EXPECT_EQ(VoltageList()->currentIndex(), 1);
    SetServices(&services);
}

TEST_F(Edits, AReportGivenUpIsCommunicationLostThoughTheNextOneGotThrough) {
    Ready();
    EditInStandby();  // 0x32
    Pages()
        .Outlet(1)
        ->Control<QLineEdit>(ids::outlet::kTurnOnDelay)
        ->setText(QStringLiteral("2"));  // 0x3C
    // Every write of 0x32 fails from the question on; the link finds the unit again for 0x3C.
    services.onMessage = [this](const QString&) { bus.FailReport(0x32); };
    services.messageAnswers = {ButtonId::Yes};
    Actions().Apply();

    EXPECT_EQ(bus.WrittenIds(), (Ids{0x3C, 0x44}));
    EXPECT_EQ((*bus.LastWrite(0x44))[2] & 0x03, 0x01) << "0x32 is not claimed";
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].text, "communication lost,\nplease try again");
    EXPECT_EQ(Messages()[1].caption, "communication lost");
}

TEST_F(Edits, APageWithoutATabKeepsItsFieldsAsRead) {
    MainDialog& dialog = Ready();  // model 3: no parallel tab
    ASSERT_EQ(dialog.Pages().Parallel()->TabIndex(), -1);
    Flags().upsOn = 0;
    dialog.Pages().ApplyState();
    auto* units = dialog.Pages().Parallel()->Control<QComboBox>(ids::parallel::kUnits);
    units->setCurrentIndex(units->count() - 1);
    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();
    EXPECT_TRUE(bus.WrittenIds().empty());
    EXPECT_EQ(Messages().size(), 1u);  // the question alone
}

// Edits on every page of a model with outlet tabs reach the unit in one pass: each changed
// report once, in report order, then 0x44 telling the unit which ones changed.
TEST_F(Edits, ApplyAfterEditsOnEveryPageWritesEachChangedReportOnceInOrder) {
    SettingsImage held = HeldSettings(3);
    SetField(held, FieldId::bCommandFlags, 0x40);    // a bit of the unit's own, carried along
    SetField(held, FieldId::bChangedReports, 0x02);  // likewise
    unit.LoadImage(held);
    MainDialog& dialog = Ready();
    EditInStandby();  // UPS page: 115 V, alarm off (report 0x32)
    dialog.Pages()
        .Page(EditedOn::DryContactPage)
        ->Control<QRadioButton>(ids::drycontact::kAutoEnable)
        ->setChecked(true);  // 0x32
    dialog.Pages()
        .Page(EditedOn::BatteryPage)
        ->Control<QComboBox>(ids::battery::kLowBatteryTime)
        ->setCurrentIndex(3);  // 5 min, 0x32
    dialog.Pages()
        .Outlet(1)
        ->Control<QLineEdit>(ids::outlet::kTurnOnDelay)
        ->setText(QStringLiteral("2"));  // 0x3C
    dialog.Pages()
        .Outlet(1)
        ->Control<QLineEdit>(ids::outlet::kCapacity)
        ->setText(QStringLiteral("30"));  // 0x3F
    dialog.Pages()
        .Outlet(1)
        ->Control<QCheckBox>(ids::outlet::kOverloadBox)
        ->setChecked(true);  // 0x44 byte 0
    dialog.Pages()
        .Outlet(2)
        ->Control<QLineEdit>(ids::outlet::kTurnOnDelay)
        ->setText(QStringLiteral("3"));  // 0x40
    dialog.Pages()
        .Outlet(2)
        ->Control<QLineEdit>(ids::outlet::kRuntime)
        ->setText(QStringLiteral("7"));  // 0x43
    dialog.Pages()
        .Page(EditedOn::EcoPage)
        ->Control<QComboBox>(ids::eco::kMode)
        ->setCurrentIndex(1);  // 0x44 byte 1
    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();

    EXPECT_EQ(bus.WrittenIds(), (Ids{0x32, 0x3C, 0x3F, 0x40, 0x43, 0x44}));
    const SettingsImage now = unit.HeldImage();
    EXPECT_EQ(GetField(now, FieldId::bOutputLevel), 2u);
    EXPECT_EQ(GetField(now, FieldId::bShutDownAction), 1u);
    EXPECT_EQ(GetField(now, FieldId::bLowBattTime), 5u);
    EXPECT_EQ(GetWord(now, FieldId::OutletOnDT_H_A), 120u);
    EXPECT_EQ(GetField(now, FieldId::BatWeakPer_A), 30u);
    EXPECT_EQ(GetField(now, FieldId::bOOOOB_1), 1u);
    EXPECT_EQ(GetWord(now, FieldId::OutletOnDT_H_B), 180u);
    EXPECT_EQ(GetWord(now, FieldId::BatWeakRunTime_H_B), 420u);
    EXPECT_EQ(GetField(now, FieldId::bECOMode), 1u);

    ASSERT_TRUE(bus.LastWrite(0x44).has_value());
    const SimulatedUps::ReportData summary = *bus.LastWrite(0x44);
    EXPECT_EQ(summary[0], now.bytes[4]);
    EXPECT_EQ(summary[1], now.bytes[5]);
    EXPECT_EQ(summary[2], 0x40 | 0x03);  // written, and 0x32 among it
    // Reports 0x3C, 0x3F, 0x40 and 0x43 are bits 0, 3, 4 and 7, on top of the unit's own.
    EXPECT_EQ(summary[3], 0x02 | 0x01 | 0x08 | 0x10 | 0x80);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].caption, "Setting");
}

}  // namespace
}  // namespace upsconfig::support
