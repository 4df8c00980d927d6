#include "pages/OutletPage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <utility>
#include <vector>

#include "pages/OutletPageFixture.h"
#include "resources/Ids.h"
#include "support/QtPrinters.h"
#include "support/ScriptedAppServices.h"

namespace upsconfig {
namespace {

TEST_F(OutletPageTest, ClicksOnTheGroupBoxesEnableTheirLimitAndDelayEdits) {
    struct Group {
        int off, on, limit, delay;
    };
    const Group groups[] = {
        {id::kOffOnBatteryBox, id::kOnAfterBatteryBox, id::kBatteryTime, id::kOnAfterBatteryDelay},
        {id::kOffOnRuntimeBox, id::kOnAfterRuntimeBox, id::kRuntime, id::kOnAfterRuntimeDelay},
        {id::kOffOnCapacityBox, id::kOnAfterCapacityBox, id::kCapacity, id::kOnAfterCapacityDelay}};
    outlet1.LoadSettings(Base());
    for (const Group& g : groups) {
        for (bool off : {false, true}) {
            for (bool on : {false, true}) {
                // Each state is reached by a click, which is what runs the update.
                Box(outlet1, g.on)->setChecked(on);
                Box(outlet1, g.off)->setChecked(!off);
                Box(outlet1, g.off)->click();
                SCOPED_TRACE(testing::Message() << g.off << " " << off << " " << on);
                EXPECT_EQ(Enabled(outlet1, g.limit), off);
                EXPECT_EQ(Enabled(outlet1, g.on), off);
                EXPECT_EQ(Enabled(outlet1, g.delay), off && on);
                EXPECT_TRUE(Enabled(outlet1, g.off));
                EXPECT_TRUE(Enabled(outlet1, id::kTurnOnDelay));
                EXPECT_TRUE(Enabled(outlet1, id::kOverloadBox));
            }
        }
        Box(outlet1, g.off)->setChecked(true);
        Box(outlet1, g.on)->setChecked(false);
        Box(outlet1, g.on)->click();  // the switch-on box alone decides the delay
        EXPECT_TRUE(Enabled(outlet1, g.delay));
    }

    // Disabled without a unit; a later load (of a file) brings the rules back.
    outlet1.UpdateCommandButtons(0);
    outlet1.DisableAllControls();
    for (int id :
         {id::kTurnOnDelay, id::kOverloadBox, id::kBatteryTime, id::kOnAfterBatteryBox,
          id::kOnAfterBatteryDelay, id::kRuntime, id::kOnAfterRuntimeBox, id::kOnAfterRuntimeDelay,
          id::kCapacity, id::kOnAfterCapacityBox, id::kOnAfterCapacityDelay, id::kOffOnBatteryBox,
          id::kOffOnRuntimeBox, id::kOffOnCapacityBox})
        EXPECT_FALSE(Enabled(outlet1, id)) << id;
    EXPECT_TRUE(Enabled(outlet1, id::kTurnOn));
    SettingsImage image = Base();
    SetField(image, F::bOUPLOF_1, 1);
    SetField(image, F::bPROVOB_1, 0);
    outlet1.LoadSettings(image);
    EXPECT_TRUE(Enabled(outlet1, id::kTurnOnDelay));
    EXPECT_TRUE(Enabled(outlet1, id::kBatteryTime));
    EXPECT_FALSE(Enabled(outlet1, id::kOnAfterBatteryDelay));
}

TEST_F(OutletPageTest, CommandButtonsFollowTheOutletFlag) {
    for (int flag : {0, 1, 4, 0}) {
        outlet2.UpdateCommandButtons(flag);
        EXPECT_EQ(Enabled(outlet2, id::kTurnOn), flag == 0);
        EXPECT_EQ(Enabled(outlet2, id::kTurnOff), flag != 0);
        EXPECT_EQ(Enabled(outlet2, id::kReboot), flag != 0);
    }
}

TEST_F(OutletPageTest, CommandButtonsSendReport0x44WithTheOutletsBitsAndTheRestAsRead) {
    struct Row {
        OutletPage* page;
        int button;
        std::uint8_t bits;
    };
    const Row rows[] = {{&outlet2, id::kTurnOff, 0x20}, {&outlet1, id::kTurnOn, 0x04},
                        {&outlet1, id::kTurnOff, 0x08}, {&outlet2, id::kReboot, 0x30},
                        {&outlet2, id::kTurnOn, 0x10},  {&outlet1, id::kReboot, 0x0C}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.page->OutletNumber() << " " << row.button);
        ups.Unit().SetSettingsReport(0x44, {0x12, 0x34, 0x41, 0x56});
        ups.ClearLog();
        row.page->UpdateCommandButtons(row.button == id::kTurnOn ? 0 : 1);
        row.page->Control<QPushButton>(row.button)->click();

        const auto log = ups.Log();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].direction, SimulatedUps::Direction::Get);
        EXPECT_EQ(log[0].id, 0x44);
        EXPECT_EQ(log[1].direction, SimulatedUps::Direction::Set);
        EXPECT_EQ(log[1].id, 0x44);
        auto expected = log[0].Data();
        expected[2] |= row.bits;
        EXPECT_EQ(log[1].Data(), expected);
    }
    EXPECT_EQ(Messages().size(), 4u);  // Turn Off and Reboot ask first; the script says Yes
}

TEST_F(OutletPageTest, HoverHelpReachesOnePixelAroundAControl) {
    outlet1.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outlet1));
    auto help = [&] { return outlet1.Control<QPlainTextEdit>(id::kHelp)->toPlainText(); };
    auto at = [&](int id, QPoint offset) {
        QWidget* control = outlet1.Control<QWidget>(id);
        QCursor::setPos(control->mapToGlobal(QPoint(0, 0)) + offset);
        outlet1.UpdateHoverHelp();
    };
    at(id::kTurnOnDelay, QPoint(-2, 5));
    EXPECT_TRUE(help().isEmpty());
    at(id::kTurnOnDelay, QPoint(-1, 5));
    EXPECT_EQ(help(), "Outlet turn on delay during UPS start-up and reboot.");
    at(id::kTurnOff, QPoint(3, 3));
    EXPECT_EQ(help(),
              "Turn off outlet immediately. Outlet will remain off until user manually turn on "
              "the outlet.\nOnly available when outlet is on.");
    at(id::kOffOnBatteryBox, QPoint(3, 3));  // no help of its own: the text stays
    EXPECT_TRUE(help().startsWith("Turn off outlet immediately."));
}

}  // namespace
}  // namespace upsconfig
