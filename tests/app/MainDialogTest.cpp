#include "app/MainDialog.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/AppFixture.h"
#include "pages/SettingsPage.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

using Kind = support::ScriptedAppServices::Kind;
using Ids = std::vector<std::uint8_t>;

const Ids kAllReportsRead = {0x01, 0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44};

class StartUp : public AppFixture {};

TEST_F(StartUp, WithTheUnitPresentReadsOnceWaitsAndReloads) {
    MainDialog& dialog = Start();

    EXPECT_TRUE(services.CallsOf(Kind::CommErrorDialog).empty());
    EXPECT_EQ(pauser.Pauses(), std::vector<int>{200});  // the wait before the first reload
    Ids twice = kAllReportsRead;
    twice.insert(twice.end(), kAllReportsRead.begin(), kAllReportsRead.end());
    EXPECT_EQ(bus.ReadIds(), twice);
    EXPECT_TRUE(dialog.MonitorStarted());
    EXPECT_TRUE(dialog.MonitorRunning());
    EXPECT_EQ(Flags().upsOn.load(), 1);  // the start value until the first status read
    EXPECT_EQ(Flags().keepPolling.load(), 1);

    EXPECT_EQ(dialog.windowTitle(), "Orvane UPS KVR8 Tool  V1.3 Version");
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(TabLabels(), (std::vector<QString>{" UPS ", " Battery ", " Outlet1 ", " Outlet2 ",
                                                 " ECO Mode ", " Ostrel ", " Dry Contact "}));
    EXPECT_EQ(dialog.Pages().Tabs()->CurrentIndex(), 0);
    EXPECT_TRUE(dialog.Pages().Ups()->isVisible());

    // Every page is a child of the pane, in the order of creation, in one rectangle below the
    // tabs.
    const QRect area = QRect(QPoint(0, 0), dialog.Pages().Tabs()->size()).adjusted(2, 30, -2, -2);
    const std::vector<QWidget*> expectedOrder = {dialog.Pages().Ups(),
                                                 dialog.Pages().Page(EditedOn::DryContactPage),
                                                 dialog.Pages().Page(EditedOn::BatteryPage),
                                                 dialog.Pages().Parallel(),
                                                 dialog.Pages().InfoText(),
                                                 dialog.Pages().Outlet(1),
                                                 dialog.Pages().Outlet(2),
                                                 dialog.Pages().Page(EditedOn::EcoPage),
                                                 dialog.Pages().TestInfo()};
    std::vector<QWidget*> order;
    for (QObject* child : dialog.Pages().Tabs()->Pane()->children())
        if (auto* page = qobject_cast<SettingsPage*>(child)) order.push_back(page);
    EXPECT_EQ(order, expectedOrder);
    for (QWidget* page : expectedOrder)
        EXPECT_EQ(page->geometry(), area);
    // The page copies of the image are the image as read.
    EXPECT_EQ(dialog.Pages().Ups()->OwnImage(), Image());
    EXPECT_EQ(Image(), unit.HeldImage());
    EXPECT_EQ(dialog.Pages().Outlet(1)->OutletNumber(), 1);
    EXPECT_EQ(dialog.Pages().Outlet(2)->OutletNumber(), 2);
    EXPECT_EQ(
        dialog.Pages().TestInfo()->Control<QLineEdit>(ids::testinfo::kMonitorFirmware)->text(),
        "D3");
}

TEST_F(StartUp, WithoutAUnitRetriesUntilItIsBack) {
    struct Replugging : support::ScriptedAppServices {
        SimulatedUps* bus = nullptr;
        int RunCommErrorDialog(QWidget* owner, const QString& diagnosis) override {
            if (CallsOf(Kind::CommErrorDialog).size() == 1) bus->Replug();
            return ScriptedAppServices::RunCommErrorDialog(owner, diagnosis);
        }
    } replugging;
    replugging.bus = &bus;
    replugging.commErrorChoices = {ButtonId::Retry, ButtonId::Retry};
    SetServices(&replugging);
    bus.Unplug();

    MakeApp();
    ASSERT_TRUE(app->Initialise());

    // 33 failed attempts of 200 ms before each dialog; the second Retry finds the unit.
    ASSERT_EQ(replugging.CallsOf(Kind::CommErrorDialog).size(), 2u);
    const std::vector<int> pauses = pauser.Pauses();
    ASSERT_EQ(pauses.size(), 67u);
    EXPECT_TRUE(std::all_of(pauses.begin(), pauses.end(), [](int ms) { return ms == 200; }));
    EXPECT_EQ(replugging.calls.front().owner, &Dialog());
    EXPECT_TRUE(Dialog().MonitorStarted());
    EXPECT_EQ(TabLabels().size(), 7u);
    EXPECT_TRUE(Button(ids::window::kApply)->isEnabled());
    app->Dialog().Actions().EndWindow();
    SetServices(&services);
}

TEST_F(StartUp, ModelCodeZeroIsNoContact) {
    unit.SetModelCode(0);
    services.commErrorChoices = {ButtonId::Cancel};
    MakeApp();
    EXPECT_FALSE(app->Initialise());
    EXPECT_EQ(services.CallsOf(Kind::CommErrorDialog).size(), 1u);
}

TEST_F(StartUp, IgnoreRunsWithoutTheUnit) {
    bus.Unplug();
    services.commErrorChoices = {ButtonId::Ignore};
    MainDialog& dialog = Start();

    EXPECT_FALSE(dialog.MonitorStarted());
    EXPECT_EQ(Flags().keepPolling.load(), 0);
    for (int id : {ids::window::kUploadLanguage, ids::window::kApply, ids::window::kFactorySetting})
        EXPECT_FALSE(Button(id)->isEnabled()) << id;
    // Refresh stays, to look for the unit again.
    for (int id :
         {ids::window::kExit, ids::window::kDownload, ids::window::kUpload, ids::window::kRefresh})
        EXPECT_TRUE(Button(id)->isEnabled()) << id;
    // Every setting control of the pages is off; labels, help boxes and the outlet page's
    // "same as Outlet1" box (no setting of its own) stay.
    for (SettingsPage* page : dialog.Pages().All()) {
        for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->objectName() == "1045") continue;
            auto* edit = qobject_cast<QLineEdit*>(control);
            if (qobject_cast<QComboBox*>(control) || qobject_cast<QCheckBox*>(control) ||
                qobject_cast<QRadioButton*>(control) || (edit && !edit->isReadOnly())) {
                EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
            }
        }
    }
    for (int id : {ids::testinfo::kHardware, ids::testinfo::kMonitorFirmware,
                   ids::testinfo::kTimeSinceStartup, ids::testinfo::kPowerFirmware})
        EXPECT_FALSE(dialog.Pages().TestInfo()->Control<QLineEdit>(id)->isEnabled()) << id;
    // The tabs of model code 0.
    EXPECT_EQ(TabLabels(),
              (std::vector<QString>{" UPS ", " Battery ", " ECO Mode ", " Dry Contact "}));
    // No status polling: nothing but the start-up reads was tried.
    EXPECT_EQ(bus.CountTransfers(SimulatedUps::Direction::Get, 0x33), 0);

    // Exit still works.
    QTest::mouseClick(Button(ids::window::kExit), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(StartUp, CancelAndEscapeEndTheProgram) {
    bus.Unplug();
    services.commErrorChoices = {ButtonId::Retry, ButtonId::Cancel};
    MakeApp();
    EXPECT_EQ(app->Run(), 0);  // returns without ever running the window
    EXPECT_EQ(services.CallsOf(Kind::CommErrorDialog).size(), 2u);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(Dialog().MonitorStarted());
    app.reset();

    // The real dialog, closed with Escape after an earlier Retry.
    SetServices(nullptr);
    int shown = 0;
    std::function<void()> answer = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            QTimer::singleShot(0, answer);
            return;
        }
        ++shown;
        const int key = shown == 1 ? 0 : Qt::Key_Escape;
        if (key == 0) {
            QTest::mouseClick(FindControl<QPushButton>(modal, ids::commerror::kRetry),
                              Qt::LeftButton);
            QTimer::singleShot(0, answer);
        } else {
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    };
    QTimer::singleShot(0, answer);
    MakeApp();
    EXPECT_FALSE(app->Initialise());
    EXPECT_EQ(shown, 2);
}

struct TabCase {
    const char* name;
    int model;
    int monitorFirmware;
    std::vector<QString> labels;
};
// Test lists show the case by its name, the same on every run.
void PrintTo(const TabCase& c, std::ostream* os) { *os << c.name; }

class Tabs : public AppFixture, public testing::WithParamInterface<TabCase> {};

TEST_P(Tabs, FollowTheModelAndTheTestInfoFlag) {
    unit.SetModelCode(static_cast<std::uint8_t>(GetParam().model));
    unit.SetVersions(1, 1, static_cast<std::uint8_t>(GetParam().monitorFirmware));
    MainDialog& dialog = Start();
    EXPECT_EQ(TabLabels(), GetParam().labels);

    // Tab indexes: the page of each label, and -1 for the pages without a tab.
    const std::vector<std::pair<QString, SettingsPage*>> pages = {
        {" UPS ", dialog.Pages().Ups()},
        {" Battery ", dialog.Pages().Page(EditedOn::BatteryPage)},
        {" Parallel ", dialog.Pages().Parallel()},
        {" Outlet1 ", dialog.Pages().Outlet(1)},
        {" Outlet2 ", dialog.Pages().Outlet(2)},
        {" ECO Mode ", dialog.Pages().Page(EditedOn::EcoPage)},
        {" Ostrel ", dialog.Pages().TestInfo()},
        {" Dry Contact ", dialog.Pages().Page(EditedOn::DryContactPage)}};
    for (const auto& [label, page] : pages) {
        const auto at = std::find(GetParam().labels.begin(), GetParam().labels.end(), label);
        const int expected =
            at == GetParam().labels.end() ? -1 : static_cast<int>(at - GetParam().labels.begin());
        EXPECT_EQ(page->TabIndex(), expected) << label.toStdString();
    }
}

const QString U = " UPS ", B = " Battery ", P = " Parallel ", O1 = " Outlet1 ", O2 = " Outlet2 ",
              E = " ECO Mode ", T = " Ostrel ", D = " Dry Contact ";

INSTANTIATE_TEST_SUITE_P(Models, Tabs,
                         testing::Values(TabCase{"Parallel21", 21, 0, {U, B, P, E, D}},
                                         TabCase{"Parallel21TestInfo", 21, 7, {U, B, P, E, T, D}},
                                         TabCase{"Outlets3", 3, 0, {U, B, O1, O2, E, D}},
                                         TabCase{"Outlets3TestInfo", 3, 7, {U, B, O1, O2, E, T, D}},
                                         TabCase{"Plain15", 15, 0, {U, B, E, D}},
                                         TabCase{"Plain15TestInfo", 15, 7, {U, B, E, T, D}}),
                         [](const testing::TestParamInfo<TabCase>& info) {
                             return info.param.name;
                         });

class Window : public AppFixture {};

TEST_F(Window, SelectingATabShowsExactlyThatPage) {
    MainDialog& dialog = Start();
    const std::vector<SettingsPage*> all = dialog.Pages().All();
    QTabBar* bar = dialog.Pages().Tabs()->Bar();
    for (int i = bar->count() - 1; i >= 0; --i) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
        ASSERT_EQ(dialog.Pages().Tabs()->CurrentIndex(), i);
        std::vector<SettingsPage*> visible;
        for (SettingsPage* page : all)
            if (page->isVisible()) visible.push_back(page);
        ASSERT_EQ(visible.size(), 1u) << "tab " << i;
        EXPECT_EQ(visible.front()->TabIndex(), i);
        EXPECT_FALSE(dialog.Pages().InfoText()->isVisible());
    }
}

TEST_F(Window, EnterAndEscapeDoNothing) {
    MainDialog& dialog = Start();
    dialog.activateWindow();
    for (QWidget* target :
         std::vector<QWidget*>{&dialog, Button(ids::window::kExit), Button(ids::window::kApply),
                               Button(ids::window::kRefresh)}) {
        target->setFocus();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(target, static_cast<Qt::Key>(key));
    }
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.MonitorRunning());
    EXPECT_TRUE(services.calls.empty());  // neither Apply nor Refresh was pressed
    EXPECT_EQ(pauser.Pauses(), std::vector<int>{200});
}

TEST_F(Window, CloseBoxEndsLikeExit) {
    MainDialog& dialog = Start();
    pauser.Reset();
    EXPECT_TRUE(dialog.close());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.MonitorRunning());
    EXPECT_EQ(Flags().keepPolling.load(), 0);
    ASSERT_FALSE(pauser.Pauses().empty());
    EXPECT_EQ(pauser.Pauses().front(), 100);
}

TEST_F(Window, CloseBoxDuringAnActionEndsTheWindowOnceTheActionIsOver) {
    MainDialog& dialog = Ready();
    // The close box is pressed while Apply waits for the unit; its wait holds the close back
    // until the wait is over, still inside Apply.
    bool closedDuringApply = false;
    pauser.onPause = [&](int milliseconds) {
        if (milliseconds == WindowActions::kApplyWaitMs && !closedDuringApply) {
            closedDuringApply = true;
            dialog.close();
        }
    };
    dialog.Actions().Apply();
    pauser.onPause = nullptr;
    ASSERT_TRUE(closedDuringApply);
    EXPECT_TRUE(dialog.isVisible());  // Apply ran to its end, reload included

    QApplication::processEvents();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.MonitorRunning());
    EXPECT_EQ(Flags().keepPolling.load(), 0);
}

TEST_F(Window, ContextMenuOffersAbout) {
    MainDialog& dialog = Start();
    QStringList entries;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                entries << action->text();
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &event);
    EXPECT_EQ(entries, QStringList{"About Orvane UPS KVR8 Tool"});
}

}  // namespace
}  // namespace upsconfig::support
