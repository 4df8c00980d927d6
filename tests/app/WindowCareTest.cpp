#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QCheckBox>
#include <cerrno>
#include <functional>
#include <optional>

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
// A command that finds the unit gone: the lasting state shows in place of the command's note.
constexpr char kGone[] =
    "Communication lost: the UPS does not answer. The pages show the values last read.";

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
        CommandCase{"RebootYesUnplugged", o::kReboot, false, true, ButtonId::Yes, true, {}, kGone},
        CommandCase{"StartTest",
                    t::kStartTest,
                    true,
                    false,
                    0,
                    false,
                    {0x08},
                    "Start test sent to the UPS."},
        CommandCase{"TerminateTestUnplugged", t::kTerminateTest, true, false, 0, true, {}, kGone}),
    [](const testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

// Edits not applied and a way of leaving the pages: the answer decides what becomes of them.
enum class Way { Exit, CloseBox, Refresh, LanguageUpload };
struct LeaveCase {
    const char* name;
    Way way;
    bool factory;  // Factory Setting made the change, else a typed edit
    int answer;
    bool written;
    bool closed;
    bool editShown;  // afterwards the page shows the change
};
void PrintTo(const LeaveCase& c, std::ostream* os) { *os << c.name; }

class Leaving : public AppFixture, public testing::WithParamInterface<LeaveCase> {};

TEST_P(Leaving, UnappliedEditsAskToApplyDiscardOrGoBack) {
    const LeaveCase& c = GetParam();
    // The change: the alarm box the other way than the unit has it (factory: on).
    const bool held = !c.factory;
    SettingsImage image = HeldSettings(3);
    SetField(image, FieldId::bAlarmCtrl, held ? 1 : 0);
    unit.LoadImage(image);
    MainDialog& dialog = Ready();
    auto* alarm = Pages().Ups()->Control<QCheckBox>(ids::ups::kAlarm);
    Flags().upsOn = 0;
    if (c.factory) {
        services.messageAnswers = {ButtonId::Yes};
        Actions().FactorySetting();
        EXPECT_EQ(dialog.StatusText(),
                  "The pages show the factory settings; Apply writes them to the UPS.");
    } else {
        alarm->setChecked(false);
    }
    ASSERT_EQ(alarm->isChecked(), !held);
    services.calls.clear();
    services.messageAnswers = {c.answer};

    switch (c.way) {
        case Way::Exit:
            Actions().Exit();
            break;
        case Way::CloseBox:
            dialog.close();
            break;
        case Way::Refresh:
            Actions().Refresh();
            break;
        case Way::LanguageUpload:
            Actions().UploadLanguage();
            break;
    }

    ASSERT_FALSE(Messages().empty());
    const auto question = Messages().front();  // a copy: Messages() returns a new list
    EXPECT_EQ(question.caption, "Changes not applied");
    EXPECT_EQ(question.style, MessageStyle::YesNoCancel | MessageStyle::IconExclamation);
    const char* leaving = c.way == Way::Refresh          ? "Refresh"
                          : c.way == Way::LanguageUpload ? "the language upload"
                                                         : "closing the window";
    EXPECT_TRUE(question.text.contains(leaving)) << question.text.toStdString();
    EXPECT_TRUE(question.details.contains(held ? "Enable Audible Alarm Control: On -> Off"
                                               : "Enable Audible Alarm Control: Off -> On"))
        << question.details.toStdString();
    // Yes writes at once: the Save question is not asked a second time.
    for (const auto& m : Messages())
        EXPECT_NE(m.caption, "Save setting");
    EXPECT_EQ(!bus.WrittenIds().empty(), c.written);
    EXPECT_EQ(!dialog.isVisible(), c.closed);
    if (!c.closed) {
        EXPECT_EQ(alarm->isChecked() != held, c.editShown);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachWayOfLeaving, Leaving,
    testing::Values(
        LeaveCase{"ExitYes", Way::Exit, false, ButtonId::Yes, true, true, false},
        LeaveCase{"ExitNo", Way::Exit, false, ButtonId::No, false, true, false},
        LeaveCase{"ExitCancel", Way::Exit, false, ButtonId::Cancel, false, false, true},
        LeaveCase{"CloseBoxCancel", Way::CloseBox, false, ButtonId::Cancel, false, false, true},
        LeaveCase{"CloseBoxYesAfterFactory", Way::CloseBox, true, ButtonId::Yes, true, true, false},
        LeaveCase{"RefreshYes", Way::Refresh, false, ButtonId::Yes, true, false, true},
        LeaveCase{"RefreshNo", Way::Refresh, false, ButtonId::No, false, false, false},
        LeaveCase{"RefreshCancelAfterFactory", Way::Refresh, true, ButtonId::Cancel, false, false,
                  true},
        LeaveCase{"LanguageUploadCancel", Way::LanguageUpload, false, ButtonId::Cancel, false,
                  false, true}),
    [](const testing::TestParamInfo<LeaveCase>& info) { return info.param.name; });

class UnitGone : public AppFixture {
  protected:
    QCheckBox* Alarm() { return Pages().Ups()->Control<QCheckBox>(ids::ups::kAlarm); }
    bool Offered(int id) { return Button(id)->isEnabled(); }
    bool TurnOnOffered() {
        return Pages().Outlet(1)->Control<QPushButton>(ids::outlet::kTurnOn)->isEnabled();
    }
};

TEST_F(UnitGone, IsShownAtOnceAndTheUnitBackIsReadAsAtAFirstContact) {
    unit.SetOutlet(1, false);
    MainDialog& dialog = Ready();
    ASSERT_TRUE(Alarm()->isChecked());
    ASSERT_TRUE(TurnOnOffered());

    // Unplugged: the status read fails and the window says so, keeping the pages.
    bus.Unplug();
    NextStatusRead();
    EXPECT_TRUE(dialog.StatusText().startsWith("Communication lost"))
        << dialog.StatusText().toStdString();
    EXPECT_FALSE(Offered(ids::window::kApply));
    EXPECT_FALSE(Offered(ids::window::kUploadLanguage));
    EXPECT_TRUE(Offered(ids::window::kRefresh));
    EXPECT_FALSE(TurnOnOffered());
    EXPECT_TRUE(Alarm()->isChecked());

    // Back, with another setting: the next status read finds it, and the window reads it.
    SettingsImage changed = HeldSettings(3);
    SetField(changed, FieldId::bAlarmCtrl, 0);
    unit.LoadImage(changed);
    bus.Replug();
    NextStatusRead();
    EXPECT_FALSE(Alarm()->isChecked());
    EXPECT_TRUE(dialog.StatusText().isEmpty()) << dialog.StatusText().toStdString();
    EXPECT_TRUE(Offered(ids::window::kApply));
    EXPECT_TRUE(TurnOnOffered());
    EXPECT_TRUE(Messages().empty());

    // Typed work outlives a second unplug: back again, the pages keep it.
    Alarm()->setChecked(true);
    bus.Unplug();
    NextStatusRead();
    bus.Replug();
    NextStatusRead();
    EXPECT_TRUE(Alarm()->isChecked());
    EXPECT_TRUE(Offered(ids::window::kApply));
    EXPECT_TRUE(dialog.StatusText().contains("keep the changes"))
        << dialog.StatusText().toStdString();
}

TEST_F(UnitGone, ARefreshRightAfterTheUnplugSaysCommunicationLost) {
    MainDialog& dialog = Ready();
    bus.Unplug();  // before any status read noticed
    QTest::mouseClick(Button(ids::window::kRefresh), Qt::LeftButton);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "communication lost,\nplease try again");
    EXPECT_TRUE(dialog.StatusText().startsWith("Communication lost"));
    EXPECT_FALSE(Offered(ids::window::kApply));
}

// Why no unit was found, below the communication-error dialog's advice: probe's verdict and fix.
struct DiagnosisCase {
    const char* name;
    std::function<void(SimulatedUps&)> fault;
    const char* verdict;
    const char* fix;
};
void PrintTo(const DiagnosisCase& c, std::ostream* os) { *os << c.name; }

class NoUnit : public AppFixture, public testing::WithParamInterface<DiagnosisCase> {};

TEST_P(NoUnit, TheCommunicationErrorDialogSaysWhy) {
    GetParam().fault(bus);
    services.commErrorChoices = {ButtonId::Cancel};
    MakeApp();
    EXPECT_FALSE(app->Initialise());
    const auto dialogs = services.CallsOf(ScriptedAppServices::Kind::CommErrorDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_TRUE(dialogs[0].text.startsWith(QStringLiteral("Verdict: ") + GetParam().verdict))
        << dialogs[0].text.toStdString();
    EXPECT_TRUE(dialogs[0].text.contains(GetParam().fix)) << dialogs[0].text.toStdString();
}

OpenFailure Failure(OpenFailure::Kind kind, int error, const char* text) {
    return {kind, error, text};
}

INSTANTIATE_TEST_SUITE_P(
    EachVerdict, NoUnit,
    testing::Values(DiagnosisCase{"NotPresent", [](SimulatedUps& b) { b.Unplug(); }, "no_interface",
                                  "Check the USB cable"},
                    DiagnosisCase{"NoPermission",
                                  [](SimulatedUps& b) {
                                      b.FailOpen(SimulatedUps::kDefaultPath,
                                                 Failure(OpenFailure::Kind::PermissionDenied,
                                                         EACCES, "Permission denied"));
                                  },
                                  "permission_denied", "Install the udev rule 70-upsconfig.rules"},
                    DiagnosisCase{"Busy",
                                  [](SimulatedUps& b) {
                                      b.FailOpen(
                                          SimulatedUps::kDefaultPath,
                                          Failure(OpenFailure::Kind::Busy, EBUSY, "Device busy"));
                                  },
                                  "busy", "Another program holds it"},
                    DiagnosisCase{"NoDescriptor",
                                  [](SimulatedUps& b) { b.SetReportDescriptor({}); },
                                  "no_descriptor", "Unplug the unit and plug it in again"}),
    [](const testing::TestParamInfo<DiagnosisCase>& info) { return info.param.name; });

TEST_F(NoUnit, AfterIgnoreRefreshLooksAgainAndAUnitFoundComesToLife) {
    bus.Unplug();
    services.commErrorChoices = {ButtonId::Ignore};
    MainDialog& dialog = Start();
    EXPECT_EQ(dialog.StatusText(), "No UPS is connected. Refresh looks for it again.");
    ASSERT_TRUE(Button(ids::window::kRefresh)->isEnabled());

    // Still gone: the loss is told, with why.
    services.calls.clear();
    QTest::mouseClick(Button(ids::window::kRefresh), Qt::LeftButton);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "communication lost,\nplease try again");
    EXPECT_TRUE(Messages()[0].details.startsWith("Verdict: no_interface"));
    EXPECT_FALSE(dialog.MonitorStarted());

    // Plugged in: the window comes to life as at a first contact.
    bus.Replug();
    QTest::mouseClick(Button(ids::window::kRefresh), Qt::LeftButton);
    EXPECT_TRUE(dialog.MonitorStarted());
    EXPECT_EQ(TabLabels().size(), 7u);
    for (int id : {ids::window::kApply, ids::window::kFactorySetting, ids::window::kUploadLanguage})
        EXPECT_TRUE(Button(id)->isEnabled()) << id;
    EXPECT_TRUE(Pages().Ups()->Control<QCheckBox>(ids::ups::kAlarm)->isEnabled());
    EXPECT_TRUE(Pages().Ups()->Control<QCheckBox>(ids::ups::kAlarm)->isChecked());
    EXPECT_TRUE(dialog.StatusText().isEmpty()) << dialog.StatusText().toStdString();
    EXPECT_EQ(Messages().size(), 1u);
}

// Two units on the bus: the window asks which, unless --device names one.
struct SeveralCase {
    const char* name;
    const char* device;
    std::optional<int> answer;
    bool asked;
    const char* opened;  // nullptr: the program ends
};
void PrintTo(const SeveralCase& c, std::ostream* os) { *os << c.name; }

class SeveralUnits : public AppFixture, public testing::WithParamInterface<SeveralCase> {};

TEST_P(SeveralUnits, TheUserOrDeviceChoosesAndTheTitleNamesTheUnit) {
    const SeveralCase& c = GetParam();
    bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "A1");
    bus.AddInterface("sim:ups1", kUpsVendorId, kUpsProductId);
    bus.SetInterfaceSerial("sim:ups1", "B2");
    device = c.device;
    services.unitChoices = {c.answer};
    MakeApp();
    ASSERT_EQ(app->Initialise(), c.opened != nullptr);

    const auto asked = services.CallsOf(ScriptedAppServices::Kind::ChooseUnit);
    ASSERT_EQ(asked.size(), c.asked ? 1u : 0u);
    if (c.asked) {
        const QStringList lines = asked[0].text.split('\n');
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[1].contains("serial B2") && lines[1].contains("sim:ups1"))
            << lines[1].toStdString();
    }
    if (c.opened == nullptr) return;
    EXPECT_EQ(bus.OpenPath(), c.opened);
    const QString serial = c.opened == std::string("sim:ups1") ? "B2" : "A1";
    EXPECT_TRUE(Dialog().windowTitle().startsWith("Orvane UPS KVR8 Tool  V1.3 Version - "));
    EXPECT_TRUE(Dialog().windowTitle().endsWith(", serial " + serial))
        << Dialog().windowTitle().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    ChoosingOne, SeveralUnits,
    testing::Values(SeveralCase{"AskedTheSecond", "", 1, true, "sim:ups1"},
                    SeveralCase{"AskedAndCancelled", "", std::nullopt, true, nullptr},
                    SeveralCase{"DeviceBySerial", "B2", 0, false, "sim:ups1"},
                    SeveralCase{"DeviceByPath", "sim:ups0", 0, false, "sim:ups0"}),
    [](const testing::TestParamInfo<SeveralCase>& info) { return info.param.name; });

class Upload : public AppFixture {};

TEST_F(Upload, SaysWhichFileItLoadedUntilThePagesShowTheUnitAgain) {
    MainDialog& dialog = Ready();
    Flags().upsOn = 0;
    services.openFileNames = {QStringLiteral(UPSCONFIG_TEST_DATA_DIR "/golden.kvr")};
    QTest::mouseClick(Button(ids::window::kUpload), Qt::LeftButton);
    EXPECT_EQ(dialog.StatusText(),
              "The pages show the settings of golden.kvr; Apply writes them to the UPS.");
    services.messageAnswers = {ButtonId::No};  // discard the file's values
    Actions().Refresh();
    EXPECT_EQ(Messages().back().caption, "Changes not applied");
    EXPECT_TRUE(dialog.StatusText().isEmpty());
}

}  // namespace
}  // namespace upsconfig::support
