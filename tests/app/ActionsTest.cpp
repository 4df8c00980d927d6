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

#include "app/ActionsFixture.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

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
