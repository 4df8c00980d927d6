#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include "app/AppFixture.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

using Ids = std::vector<std::uint8_t>;

// A command button pressed, perhaps with the unit gone: whether it asks first, what the user
// answers, and what reaches the unit and the status line.
struct CommandCase {
    const char* name;
    int button;
    bool testPage;  // the battery-test page, else Outlet1
    bool asks;
    int answer;
    bool unplugged;
    Ids written;
    const char* status;
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class Commands : public AppFixture, public testing::WithParamInterface<CommandCase> {};

TEST_P(Commands, WhatCutsPowerAsksFirstAndTheStatusLineSaysWhatBecameOfIt) {
    const CommandCase& c = GetParam();
    MainDialog& dialog = Ready();
    // Turn On is offered while the outlet is off, Turn Off and Reboot while it is on.
    Flags().outlet1On = c.button == ids::outlet::kTurnOn ? 0 : 1;
    Pages().ApplyState();
    if (c.unplugged) bus.Unplug();
    services.messageAnswers = {c.answer};
    SettingsPage* page = c.testPage ? static_cast<SettingsPage*>(Pages().TestInfo())
                                    : static_cast<SettingsPage*>(Pages().Outlet(1));
    QPushButton* button = page->Control<QPushButton>(c.button);
    ASSERT_TRUE(button->isEnabled());
    button->click();

    if (c.asks) {
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].caption, "Outlet1");
        EXPECT_TRUE(Messages()[0].text.contains("outlet group 1"))
            << Messages()[0].text.toStdString();
        EXPECT_EQ(Messages()[0].style, MessageStyle::YesNo | MessageStyle::IconExclamation |
                                           MessageStyle::DefaultButton2);
    } else {
        EXPECT_TRUE(Messages().empty());
    }
    EXPECT_EQ(bus.WrittenIds(), c.written);
    EXPECT_EQ(dialog.StatusText(), c.status);
}

namespace o = ids::outlet;
namespace t = ids::testinfo;

INSTANTIATE_TEST_SUITE_P(
    EachCommand, Commands,
    testing::Values(
        CommandCase{
            "TurnOn", o::kTurnOn, false, false, 0, false, {0x44}, "Turn On sent to Outlet1."},
        CommandCase{"TurnOffNo", o::kTurnOff, false, true, ButtonId::No, false, {}, ""},
        CommandCase{"TurnOffYes",
                    o::kTurnOff,
                    false,
                    true,
                    ButtonId::Yes,
                    false,
                    {0x44},
                    "Turn Off sent to Outlet1."},
        CommandCase{"RebootNo", o::kReboot, false, true, ButtonId::No, false, {}, ""},
        CommandCase{"RebootYesUnplugged",
                    o::kReboot,
                    false,
                    true,
                    ButtonId::Yes,
                    true,
                    {},
                    "Reboot for Outlet1: communication lost, the command did not reach the UPS."},
        CommandCase{"StartTest",
                    t::kStartTest,
                    true,
                    false,
                    0,
                    false,
                    {0x08},
                    "Start test sent to the UPS."},
        CommandCase{"TerminateTestUnplugged",
                    t::kTerminateTest,
                    true,
                    false,
                    0,
                    true,
                    {},
                    "Terminate test for the UPS: communication lost, the command did not reach "
                    "the UPS."}),
    [](const testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

}  // namespace
}  // namespace upsconfig::support
