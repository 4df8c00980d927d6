#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <optional>

#include "app/AppFixture.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

using Kind = support::ScriptedAppServices::Kind;
using Ids = std::vector<std::uint8_t>;

const Ids kAllReportsRead = {0x01, 0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44};

Ids Concat(std::initializer_list<Ids> parts) {
    Ids all;
    for (const Ids& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class ActionsTest : public AppFixture {
  protected:
    // Reads seen by the unit at the moment of the first pause of `ms`.
    void ReadsAtPause(int ms) {
        readsAtPause_ = std::nullopt;
        pauser.onPause = [this, ms](int pause) {
            if (pause != ms || readsAtPause_) return;
            readsAtPause_ = bus.ReadIds().size();
            statusAtPause_ = Dialog().StatusText();
            const QCursor* cursor = QApplication::overrideCursor();
            busyCursorAtPause_ = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        };
    }
    std::optional<std::size_t> readsAtPause_;
    QString statusAtPause_;
    bool busyCursorAtPause_ = false;
};

TEST_F(ActionsTest, ApplyWithNothingChangedSendsNothingAndReloadsAfterFiveSeconds) {
    Ready();
    ReadsAtPause(5000);
    services.messageAnswers = {ButtonId::Yes};
    QTest::mouseClick(Button(ids::window::kApply), Qt::LeftButton);

    EXPECT_TRUE(bus.WrittenIds().empty());
    ASSERT_EQ(Messages().size(), 1u);  // the question, and no confirmation
    EXPECT_EQ(Messages()[0].text, "Do you want to save change?");
    EXPECT_EQ(Messages()[0].caption, "Save setting");
    EXPECT_EQ(Messages()[0].style, 0x23u);
    EXPECT_EQ(Messages()[0].owner, &Dialog());
    EXPECT_EQ(pauser.Pauses(), std::vector<int>{5000});
    // Status and all reports before the question; all reports again after the wait.
    EXPECT_EQ(bus.ReadIds(), Concat({{0x33, 0x09}, kAllReportsRead, kAllReportsRead}));
    ASSERT_TRUE(readsAtPause_.has_value());
    EXPECT_EQ(*readsAtPause_, 2 + kAllReportsRead.size());
    // The wait shows that work goes on, and the signs go with it.
    EXPECT_TRUE(busyCursorAtPause_);
    EXPECT_FALSE(statusAtPause_.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Dialog().StatusText().isEmpty());
}

TEST_F(ActionsTest, ApplyWithTheLinkGoneSaysCommunicationLostAndReloads) {
    Ready();
    bus.Unplug();
    services.messageAnswers = {ButtonId::Yes};
    Actions().Apply();

    // The question is still asked; nothing reached the unit; the loss is told.
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0].caption, "Save setting");
    EXPECT_EQ(Messages()[1].text, "communication lost,\nplease try again");
    EXPECT_EQ(Messages()[1].caption, "communication lost");
    EXPECT_EQ(Messages()[1].style, 0x10u);
    EXPECT_TRUE(bus.WrittenIds().empty());
    // The 5 s wait comes after the failed reads, then the reload tries again.
    const std::vector<int> pauses = pauser.Pauses();
    const auto wait = std::find(pauses.begin(), pauses.end(), 5000);
    ASSERT_NE(wait, pauses.end());
    EXPECT_GT(pauses.end() - wait, 1);
}

TEST_F(ActionsTest, RefreshWhileDisconnectedReadsNothing) {
    MainDialog& dialog = Ready();
    bus.Unplug();
    // The monitor's status read finds the unit gone and clears the connected flag.
    NextStatusRead();
    bus.ClearLog();
    services.calls.clear();

    QTest::mouseClick(Button(ids::window::kRefresh), Qt::LeftButton);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "communication lost,\nplease try again");
    EXPECT_EQ(Messages()[0].caption, "communication lost");
    EXPECT_EQ(Messages()[0].style, 0x10u);
    EXPECT_TRUE(bus.Log().empty());

    // Plugged in again: the next status read reconnects, and Refresh works.
    bus.Replug();
    NextStatusRead();
    services.calls.clear();
    bus.ClearLog();
    dialog.Actions().Refresh();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(bus.ReadIds(), kAllReportsRead);
}

TEST_F(ActionsTest, FactorySettingRefusesWhileOnlineAndAsksInStandby) {
    MainDialog& dialog = Ready();
    ASSERT_EQ(Flags().upsOn.load(), 1);  // the start value: online until a status read
    QTest::mouseClick(Button(ids::window::kFactorySetting), Qt::LeftButton);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text,
              "Can't reset to factory defaults while the UPS is online.\r\n Please change to "
              "standby mode and try again.");
    EXPECT_EQ(Messages()[0].caption, "Factory Default");
    EXPECT_EQ(Messages()[0].style, 0u);

    Flags().upsOn = 0;
    services.calls.clear();
    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().FactorySetting();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Do you want to change to Factory Default configuration?");
    EXPECT_EQ(Messages()[0].caption, "Factory Default");
    EXPECT_EQ(Messages()[0].style, 0x23u);
    // Nothing reaches the unit, and Exit afterwards, the defaults discarded, sends nothing
    // either.
    services.messageAnswers = {ButtonId::No};
    QTest::mouseClick(Button(ids::window::kExit), Qt::LeftButton);
    EXPECT_EQ(Messages().back().caption, "Changes not applied");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(bus.WrittenIds().empty());
}

TEST_F(ActionsTest, TabsFollowASwappedUnitOneRefreshLate) {
    MainDialog& dialog = Ready();
    ASSERT_EQ(TabLabels().size(), 7u);  // model 3: outlet tabs

    unit.SetModelCode(21);
    dialog.Actions().Refresh();
    // Built for the model of the previous read; the pages already have the new settings.
    EXPECT_EQ(TabLabels().size(), 7u);
    EXPECT_EQ(GetField(Image(), FieldId::bModelCode), 21u);
    EXPECT_EQ(GetField(dialog.Pages().Ups()->OwnImage(), FieldId::bModelCode), 21u);

    dialog.Actions().Refresh();
    EXPECT_EQ(TabLabels(), (std::vector<QString>{" UPS ", " Battery ", " Parallel ", " ECO Mode ",
                                                 " Ostrel ", " Dry Contact "}));
    EXPECT_EQ(dialog.Pages().Tabs()->CurrentIndex(), 0);
    EXPECT_TRUE(dialog.Pages().Ups()->isVisible());
    EXPECT_EQ(dialog.Pages().Outlet(1)->TabIndex(), -1);
}

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

struct FactoryCase {
    const char* name;
    int model;
    unsigned heldLevel;
    unsigned factoryLevel;
};
// Test lists show the case by its name, the same on every run.
void PrintTo(const FactoryCase& c, std::ostream* os) { *os << c.name; }

class FactoryAfterApply : public ActionsTest, public testing::WithParamInterface<FactoryCase> {};

TEST_P(FactoryAfterApply, TheGroupsDefaultVoltageReachesTheUnitOnlyWithApply) {
    SettingsImage held = HeldSettings(GetParam().model);
    SetField(held, FieldId::bOutputLevel, GetParam().heldLevel);
    unit.LoadImage(held);
    MainDialog& dialog = Ready();
    Flags().upsOn = 0;
    services.messageAnswers = {ButtonId::Yes};
    QTest::mouseClick(Button(ids::window::kFactorySetting), Qt::LeftButton);
    EXPECT_TRUE(bus.WrittenIds().empty());
    EXPECT_EQ(GetField(unit.HeldImage(), FieldId::bOutputLevel), GetParam().heldLevel);

    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();
    EXPECT_EQ(GetField(unit.HeldImage(), FieldId::bOutputLevel), GetParam().factoryLevel);
}

INSTANTIATE_TEST_SUITE_P(Groups, FactoryAfterApply,
                         testing::Values(FactoryCase{"V120", 3, 1, 3}, FactoryCase{"V230", 1, 5, 8},
                                         FactoryCase{"V208", 18, 7, 6}),
                         [](const testing::TestParamInfo<FactoryCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace upsconfig::support
